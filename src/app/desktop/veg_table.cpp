#include "app/desktop/veg_table.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "platform/qt/print/fonts.h"
#include "platform/qt/qt_text.h"

namespace tamsel {

namespace {
const QColor FixedColour = Qt::yellow;
const QColor CellColour = Qt::white;
const QColor FixedLineColour = Qt::darkGray;
const QColor CellLineColour(192, 192, 192);
const QColor DropMarkColour(0, 0, 160);
const QColor CurrentColour(0, 0, 160);
constexpr int DropMarkWidth = 2;
constexpr int TextIndent = 2;
// Converted texts kept at most; most cells repeat a few cover texts and numbers.
constexpr std::size_t TextCacheLimit = 1 << 16;
}  // namespace

int VegTable::Axis::size(int k) const {
    return k >= 0 && static_cast<std::size_t>(k) < sizes.size() ? sizes[k] : defaultSize;
}

void VegTable::Axis::set(int k, int s) {
    if (k < 0) return;
    if (static_cast<std::size_t>(k) >= sizes.size())
        sizes.resize(static_cast<std::size_t>(k) + 1, defaultSize);
    sizes[k] = std::max(0, s);
}

VegTable::VegTable(const CompositionTable& table, QWidget* parent)
    : QAbstractScrollArea(parent), table_(table) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);  // for the cell inspector
    refresh();
}

void VegTable::setDefaultColWidth(int w) {
    cols_.defaultSize = w;
    std::fill(cols_.sizes.begin(), cols_.sizes.end(), w);
    refresh();
}

void VegTable::setDefaultRowHeight(int h) {
    rows_.defaultSize = h;
    std::fill(rows_.sizes.begin(), rows_.sizes.end(), h);
    refresh();
}

void VegTable::setColWidth(int col, int w) {
    cols_.set(col, w);
    refresh();
}

void VegTable::setRowHeight(int row, int h) {
    rows_.set(row, h);
    refresh();
}

int VegTable::colWidth(int col) const {
    return cols_.size(col);
}
int VegTable::rowHeight(int row) const {
    return rows_.size(row);
}

void VegTable::setLeftCol(int col) {
    horizontalScrollBar()->setValue(col - cols_.fixed);
}
void VegTable::setTopRow(int row) {
    verticalScrollBar()->setValue(row - rows_.fixed);
}

std::vector<VegTable::Band> VegTable::inSight(const Axis& axis, int count, int first, int extent) {
    std::vector<Band> bands;
    int at = 0;
    auto take = [&](int k) {
        bands.push_back(Band{k, at, axis.size(k)});
        at += axis.size(k) + LineWidth;
    };
    for (int k = 0; k < std::min(axis.fixed, count) && at < extent; ++k) take(k);
    for (int k = first; k < count && at < extent; ++k) take(k);
    return bands;
}

// The last scroll position shows the last column (row) whole at the far edge.
int VegTable::lastFirst(const Axis& axis, int count, int extent) {
    int avail = extent;
    for (int k = 0; k < std::min(axis.fixed, count); ++k) avail -= axis.size(k) + LineWidth;
    int first = count, used = 0;
    for (int k = count - 1; k >= axis.fixed; --k) {
        used += axis.size(k) + LineWidth;
        if (used > avail) break;
        first = k;
    }
    if (first == count) first = std::max(axis.fixed, count - 1);
    return first;
}

std::vector<VegTable::Band> VegTable::visibleCols() const {
    return inSight(cols_, table_.grid().colCount(), leftCol(), viewport()->width());
}

std::vector<VegTable::Band> VegTable::visibleRows() const {
    return inSight(rows_, table_.grid().rowCount(), topRow(), viewport()->height());
}

namespace {
template <typename Bands>
int indexAt(const Bands& bands, int pos) {
    for (const auto& b : bands)
        if (pos >= b.start && pos < b.start + b.size + VegTable::LineWidth) return b.index;
    return -1;
}

template <typename Bands>
const auto* bandOf(const Bands& bands, int index) {
    for (const auto& b : bands)
        if (b.index == index) return &b;
    return static_cast<const typename Bands::value_type*>(nullptr);
}
}  // namespace

QPoint VegTable::cellAt(QPoint pos) const {
    const int col = indexAt(visibleCols(), pos.x()), row = indexAt(visibleRows(), pos.y());
    if (col < 0 || row < 0) return QPoint(-1, -1);
    return QPoint(col, row);
}

QRect VegTable::cellRect(int col, int row) const {
    const auto cols = visibleCols();
    const auto rows = visibleRows();
    const auto* c = bandOf(cols, col);
    const auto* r = bandOf(rows, row);
    if (!c || !r) return {};
    return QRect(c->start, r->start, c->size, r->size);
}

void VegTable::setTableFont(const FontSpec& font) {
    setFont(qFontOf(font, QStringLiteral("Noto Sans Mono CJK JP")));
    viewport()->update();
}

void VegTable::refresh() {
    syncSizes();
    updateScrollBars();
    viewport()->update();
}

void VegTable::syncSizes() {
    // Columns and rows that the grid gained take the default size.
    const auto nc = static_cast<std::size_t>(table_.grid().colCount());
    const auto nr = static_cast<std::size_t>(table_.grid().rowCount());
    if (cols_.sizes.size() < nc) cols_.sizes.resize(nc, cols_.defaultSize);
    if (rows_.sizes.size() < nr) rows_.sizes.resize(nr, rows_.defaultSize);
}

void VegTable::updateScrollBars() {
    const int w = viewport()->width(), h = viewport()->height();
    const int maxLeft = lastFirst(cols_, table_.grid().colCount(), w);
    const int maxTop = lastFirst(rows_, table_.grid().rowCount(), h);
    horizontalScrollBar()->setRange(0, std::max(0, maxLeft - cols_.fixed));
    verticalScrollBar()->setRange(0, std::max(0, maxTop - rows_.fixed));
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setPageStep(std::max(1, w / (cols_.defaultSize + LineWidth) - 1));
    verticalScrollBar()->setPageStep(std::max(1, h / (rows_.defaultSize + LineWidth) - 1));
}

const QString& VegTable::textOf(const std::string& sjis) {
    auto it = textCache_.find(sjis);
    if (it != textCache_.end()) return it->second;
    if (textCache_.size() >= TextCacheLimit) textCache_.clear();
    return textCache_.emplace(sjis, qs(sjis)).first->second;
}

void VegTable::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    const QRect clip = event->rect();
    p.fillRect(clip, CellColour);
    p.setFont(font());
    p.setPen(Qt::black);

    const std::vector<Band> cols = visibleCols();
    for (const Band& r : visibleRows()) {
        if (r.start > clip.bottom() || r.start + r.size < clip.top()) continue;
        for (const Band& c : cols) {
            if (c.start > clip.right() || c.start + c.size < clip.left()) continue;
            const bool fixed = c.index < cols_.fixed || r.index < rows_.fixed;
            if (fixed) p.fillRect(c.start, r.start, c.size, r.size, FixedColour);
            const QColor& line = fixed ? FixedLineColour : CellLineColour;
            p.fillRect(c.start + c.size, r.start, LineWidth, r.size + LineWidth, line);
            p.fillRect(c.start, r.start + r.size, c.size + LineWidth, LineWidth, line);

            const std::string& text = table_.cell(c.index, r.index);
            if (text.empty() || c.size <= TextIndent || r.size <= TextIndent) continue;
            p.drawText(QRect(c.start + TextIndent, r.start, c.size - TextIndent, r.size),
                       Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, textOf(text));
        }
    }

    p.setBrush(Qt::NoBrush);
    if (const QRect r = cellRect(current_.x(), current_.y()); !r.isEmpty()) {
        p.setPen(QPen(CurrentColour, 2));
        p.drawRect(r.adjusted(1, 1, -1, -1));
    }
    for (const Outline& o : outlines_) {
        const QRect r = cellRect(o.col, o.row);
        if (r.isEmpty()) continue;
        p.setPen(o.colour);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }

    // Where a dragged row or column would land: before the one under the mouse
    // when moving up (left), after it when moving down (right).
    if (drag_.kind != DragKind::None && drag_.over >= 0 && drag_.over != drag_.from) {
        const bool rows = drag_.kind == DragKind::Row;
        const auto bands = rows ? visibleRows() : cols;
        if (const auto* b = bandOf(bands, drag_.over)) {
            const int at = drag_.over < drag_.from ? b->start : b->start + b->size - 1;
            if (rows)
                p.fillRect(0, at, viewport()->width(), DropMarkWidth, DropMarkColour);
            else
                p.fillRect(at, 0, DropMarkWidth, viewport()->height(), DropMarkColour);
        }
    }
}

void VegTable::outlineCell(int col, int row, const QColor& colour) {
    std::erase_if(outlines_, [&](const Outline& o) { return o.col == col && o.row == row; });
    outlines_.push_back(Outline{col, row, colour});
    viewport()->update();
}

void VegTable::setMovable(int firstRow, int lastRow, int firstCol, int lastCol) {
    movableRows_[0] = firstRow;
    movableRows_[1] = lastRow;
    movableCols_[0] = firstCol;
    movableCols_[1] = lastCol;
}

void VegTable::clearOutlines() {
    if (outlines_.empty()) return;
    outlines_.clear();
    viewport()->update();
}

int VegTable::dropRowAt(QPoint pos) const {
    int best = topRow();
    for (const Band& b : visibleRows())
        if (b.index >= rows_.fixed && pos.y() >= b.start) best = b.index;
    return std::clamp(best, movableRows_[0], movableRows_[1]);
}

int VegTable::dropColAt(QPoint pos) const {
    int best = leftCol();
    for (const Band& b : visibleCols())
        if (b.index >= cols_.fixed && pos.x() >= b.start) best = b.index;
    return std::clamp(best, movableCols_[0], movableCols_[1]);
}

// A drag past the edge of the cells in sight scrolls one row or column per move.
void VegTable::scrollTowards(QPoint pos) {
    if (drag_.kind == DragKind::None) return;
    const bool rows = drag_.kind == DragKind::Row;
    const Axis& axis = rows ? rows_ : cols_;
    const int count = rows ? table_.grid().rowCount() : table_.grid().colCount();
    QScrollBar* bar = rows ? verticalScrollBar() : horizontalScrollBar();
    const int at = rows ? pos.y() : pos.x();
    const int extent = rows ? viewport()->height() : viewport()->width();
    int fixedEnd = 0;
    for (int k = 0; k < std::min(axis.fixed, count); ++k) fixedEnd += axis.size(k) + LineWidth;
    if (at >= extent)
        bar->setValue(bar->value() + 1);
    else if (at < fixedEnd)
        bar->setValue(bar->value() - 1);
}

void VegTable::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QPoint cell = cellAt(pos);
    if (event->button() == Qt::LeftButton && drag_.kind == DragKind::None && cell.x() >= 0) {
        auto within = [](int k, const int(&range)[2]) { return k >= range[0] && k <= range[1]; };
        if (cell.x() < cols_.fixed && cell.y() >= rows_.fixed && within(cell.y(), movableRows_))
            drag_ = Drag{DragKind::Row, cell.y(), cell.y()};
        else if (cell.y() < rows_.fixed && cell.x() >= cols_.fixed &&
                 within(cell.x(), movableCols_))
            drag_ = Drag{DragKind::Col, cell.x(), cell.x()};
    }
    event->accept();
    // Row 0 and column 0 hold the slots, a pixel wide: no cell to show.
    if (cell.x() >= 1 && cell.y() >= 1) setCurrent(cell);
    emit cellPressed(event->button(), cell, pos);
}

void VegTable::mouseMoveEvent(QMouseEvent* event) {
    if (drag_.kind == DragKind::None) {
        if (event->buttons() != Qt::NoButton) {
            emit mouseMovedHeld(event->globalPosition().toPoint());
        } else if (const QPoint cell = cellAt(event->position().toPoint()); cell != hovered_) {
            hovered_ = cell;
            emit cellHovered(cell);
        }
        return;
    }
    const QPoint pos = event->position().toPoint();
    scrollTowards(pos);
    const int over = drag_.kind == DragKind::Row ? dropRowAt(pos) : dropColAt(pos);
    if (over != drag_.over) {
        drag_.over = over;
        viewport()->update();
    }
}

void VegTable::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && drag_.kind != DragKind::None) {
        const Drag drag = drag_;
        const int to = drag.kind == DragKind::Row ? dropRowAt(pos) : dropColAt(pos);
        drag_ = Drag{};
        viewport()->update();
        if (to != drag.from) {
            if (drag.kind == DragKind::Row)
                emit rowDragged(drag.from, to);
            else
                emit colDragged(drag.from, to);
            return;
        }
    }
    emit mouseReleased(event->button(), cellAt(pos), pos, event->globalPosition().toPoint());
}

void VegTable::setCurrent(QPoint cell) {
    if (cell != QPoint(-1, -1))
        cell = QPoint(std::clamp(cell.x(), 1, std::max(1, table_.grid().colCount() - 1)),
                      std::clamp(cell.y(), 1, std::max(1, table_.grid().rowCount() - 1)));
    if (cell == current_) return;
    current_ = cell;
    scrollToCurrent();
    viewport()->update();
    emit currentChanged(current_);
}

void VegTable::clampCurrent() {
    if (current_ != QPoint(-1, -1)) setCurrent(current_);
}

int VegTable::rowsInSight() const {
    int n = 0;
    for (const Band& b : visibleRows())
        if (b.index >= rows_.fixed && b.start + b.size <= viewport()->height()) ++n;
    return std::max(1, n);
}

void VegTable::scrollToCurrent() {
    if (current_.x() < 0) return;
    // A fixed row or column is always in sight; a scrolled one is brought in.
    if (current_.y() >= rows_.fixed) {
        if (current_.y() < topRow())
            setTopRow(current_.y());
        else if (current_.y() >= topRow() + rowsInSight())
            setTopRow(current_.y() - rowsInSight() + 1);
    }
    if (current_.x() >= cols_.fixed) {
        // Row 1 is fixed, so the column's rectangle there tells whether it shows.
        const QRect r = cellRect(current_.x(), 1);
        if (current_.x() < leftCol() || r.isEmpty())
            setLeftCol(current_.x());
        else if (r.right() >= viewport()->width() && leftCol() < current_.x())
            setLeftCol(leftCol() + 1);
    }
}

void VegTable::keyPressEvent(QKeyEvent* event) {
    if (current_.x() < 0) {
        if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down ||
            event->key() == Qt::Key_Left || event->key() == Qt::Key_Right ||
            event->key() == Qt::Key_Home || event->key() == Qt::Key_End ||
            event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
            setCurrent(QPoint(cols_.fixed, rows_.fixed));
            return;
        }
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int lastCol = table_.grid().colCount() - 1, lastRow = table_.grid().rowCount() - 1;
    QPoint c = current_;
    switch (event->key()) {
        case Qt::Key_Up:
            c.ry() -= 1;
            break;
        case Qt::Key_Down:
            c.ry() += 1;
            break;
        case Qt::Key_Left:
            c.rx() -= 1;
            break;
        case Qt::Key_Right:
            c.rx() += 1;
            break;
        case Qt::Key_PageUp:
            c.ry() -= rowsInSight();
            break;
        case Qt::Key_PageDown:
            c.ry() += rowsInSight();
            break;
        case Qt::Key_Home:
            c = ctrl ? QPoint(1, 1) : QPoint(1, c.y());
            // The current cell is then a fixed one, which does not scroll the view.
            setLeftCol(cols_.fixed);
            if (ctrl) setTopRow(rows_.fixed);
            break;
        case Qt::Key_End:
            c = ctrl ? QPoint(lastCol, lastRow) : QPoint(lastCol, c.y());
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
    setCurrent(c);
}

void VegTable::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    if (hovered_ != QPoint(-1, -1)) {
        hovered_ = QPoint(-1, -1);
        emit cellHovered(hovered_);
    }
}

void VegTable::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void VegTable::scrollContentsBy(int, int) {
    // An outline was drawn on the cells that have moved away.
    outlines_.clear();
    viewport()->update();
}

}  // namespace tamsel
