#include "app/desktop/curve_chart.h"

#include <QChart>
#include <QChartView>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "platform/qt/qt_text.h"

namespace tamsel {

std::optional<std::pair<int, int>> showCurveChartDialog(QWidget* parent,
                                                        const CurveChartRequest& r) {
    QDialog dialog(parent);
    dialog.setWindowTitle(qs(r.title));
    dialog.resize(720, 480);
    auto* layout = new QVBoxLayout(&dialog);
    auto* chart = new QChart;
    auto* x = new QValueAxis;
    auto* y = new QValueAxis;
    x->setTitleText(qs(r.xLabel));
    y->setTitleText(qs(r.yLabel));
    x->setLabelFormat(QStringLiteral("%d"));
    y->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    double maxX = 1, maxY = 1;
    auto* label = new QLabel(&dialog);
    std::optional<std::pair<int, int>> chosen;
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* take = buttons->addButton(qs(r.action), QDialogButtonBox::AcceptRole);
    take->setEnabled(false);
    label->setText(QStringLiteral("点をクリックすると、その群分けを選べます。"));
    auto choose = [&](int series, int point) {
        const auto& [px, py] = r.series[series].points[point];
        chosen = std::pair<int, int>(series, point);
        label->setText(QStringLiteral("選んだ群分け: %1、%2 群、忠実種 %3 種")
                           .arg(qs(r.series[series].name))
                           .arg(px)
                           .arg(py));
        take->setEnabled(true);
    };
    for (std::size_t s = 0; s < r.series.size(); ++s) {
        const auto& points = r.series[s].points;
        auto* line = new QLineSeries;
        auto* dots = new QScatterSeries;
        line->setName(qs(r.series[s].name));
        dots->setMarkerSize(9);
        for (const auto& [px, py] : points) {
            line->append(px, py);
            dots->append(px, py);
            maxX = std::max(maxX, px);
            maxY = std::max(maxY, py);
        }
        for (QAbstractSeries* a :
             {static_cast<QAbstractSeries*>(line), static_cast<QAbstractSeries*>(dots)}) {
            chart->addSeries(a);
            a->attachAxis(x);
            a->attachAxis(y);
        }
        dots->setColor(line->color());
        // Only the line is named in the legend.
        chart->legend()->markers(dots).front()->setVisible(false);
        QObject::connect(dots, &QScatterSeries::clicked, &dialog, [&, s](const QPointF& at) {
            const auto& points = r.series[s].points;
            int best = -1;
            double nearest = 0;
            for (std::size_t k = 0; k < points.size(); ++k) {
                const double d = std::hypot(points[k].first - at.x(), points[k].second - at.y());
                if (best < 0 || d < nearest) best = static_cast<int>(k), nearest = d;
            }
            if (best >= 0) choose(static_cast<int>(s), best);
        });
    }
    if (r.markedSeries >= 0 && r.markedSeries < static_cast<int>(r.series.size()) &&
        r.markedPoint >= 0 &&
        r.markedPoint < static_cast<int>(r.series[r.markedSeries].points.size())) {
        const auto& [px, py] = r.series[r.markedSeries].points[r.markedPoint];
        auto* mark = new QScatterSeries;
        mark->setName(QStringLiteral("最良"));
        mark->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
        mark->setMarkerSize(16);
        mark->setColor(Qt::transparent);
        mark->setBorderColor(Qt::red);
        mark->append(px, py);
        chart->addSeries(mark);
        mark->attachAxis(x);
        mark->attachAxis(y);
        // The mark lies over its point and takes its clicks.
        QObject::connect(mark, &QScatterSeries::clicked, &dialog,
                         [&] { choose(r.markedSeries, r.markedPoint); });
    }
    x->setRange(0, std::ceil(maxX) + 1);
    y->setRange(0, std::ceil(maxY * 1.1));
    auto* view = new QChartView(chart, &dialog);
    view->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(view);
    layout->addWidget(label);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return chosen;
}

}  // namespace tamsel
