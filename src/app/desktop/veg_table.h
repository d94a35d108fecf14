// The composition table on screen: a view of tamsel::Grid that paints only the
// cells in sight, so tables of thousands of rows and columns scroll smoothly.
// Rows 0-3 and columns 0-3 stay in place and are painted in the fixed colour;
// the rest scrolls by whole rows and columns.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QScrollBar>
#include <climits>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ui.h"
#include "table/table_state.h"

namespace tamsel {

class VegTable : public QAbstractScrollArea {
    Q_OBJECT
  public:
    static constexpr int LineWidth = 1;  // grid line after each column and row

    // Shows the table as the model shows its cells.
    explicit VegTable(const CompositionTable& table, QWidget* parent = nullptr);

    int fixedCols() const { return cols_.fixed; }
    int fixedRows() const { return rows_.fixed; }
    void setDefaultColWidth(int w);
    void setDefaultRowHeight(int h);
    void setColWidth(int col, int w);
    void setRowHeight(int row, int h);
    int colWidth(int col) const;
    int rowHeight(int row) const;

    // First scrolled column and row in sight.
    int leftCol() const { return cols_.fixed + horizontalScrollBar()->value(); }
    int topRow() const { return rows_.fixed + verticalScrollBar()->value(); }
    void setLeftCol(int col);
    void setTopRow(int row);

    // The cell under a point of the viewport as (column, row); (-1, -1) off the cells.
    QPoint cellAt(QPoint pos) const;
    // The cell's rectangle in viewport coordinates, without its grid lines; empty
    // when the cell is scrolled out of sight.
    QRect cellRect(int col, int row) const;

    void setTableFont(const FontSpec& font);

    // The grid's size or contents changed: resync and repaint.
    void refresh();

    // A cell outlined on the grid's surface. Outlines stay until the contents
    // change or the grid scrolls, as a drawing on the surface would; a later
    // outline of the same cell covers an earlier one.
    void outlineCell(int col, int row, const QColor& colour);
    void clearOutlines();
    struct Outline {
        int col, row;
        QColor colour;
    };
    const std::vector<Outline>& outlines() const { return outlines_; }

    // The rows and columns a drag may move, and where it may put them; a drag
    // that starts elsewhere does not start, one that ends beyond stops at the edge.
    // An empty range (last < first) allows no drag.
    void setMovable(int firstRow, int lastRow, int firstCol, int lastCol);

    // The current cell: where a left press or the keys put it; (-1, -1) when
    // none. Setting it scrolls it into sight.
    QPoint current() const { return current_; }
    void setCurrent(QPoint cell);
    // Keeps the current cell inside the grid after its size changed.
    void clampCurrent();

    // A row or column being dragged: its index, -1 when none.
    int draggedRow() const { return drag_.kind == DragKind::Row ? drag_.from : -1; }
    int draggedCol() const { return drag_.kind == DragKind::Col ? drag_.from : -1; }

  signals:
    // A mouse button went down on a cell, or (for a release) came up anywhere
    // while the grid held the mouse. cell is (-1, -1) off the cells; pos is in
    // viewport coordinates.
    void cellPressed(Qt::MouseButton button, QPoint cell, QPoint pos);
    void mouseReleased(Qt::MouseButton button, QPoint cell, QPoint pos, QPoint globalPos);
    // A left-button drag of a scrolled row by its cell in a fixed column, or of a
    // scrolled column by its cell in a fixed row, ended over another one.
    void rowDragged(int from, int to);
    void colDragged(int from, int to);
    // The mouse moved while a button was held and no drag was under way.
    void mouseMovedHeld(QPoint globalPos);
    // The mouse, no button held, came over another cell; (-1, -1): off the cells.
    void cellHovered(QPoint cell);
    // The current cell moved.
    void currentChanged(QPoint cell);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Sizes along one direction: columns (widths) or rows (heights).
    struct Axis {
        int fixed;
        int defaultSize;
        std::vector<int> sizes;
        int size(int k) const;
        void set(int k, int s);
    };
    // A column or row in sight: its index, where it starts and its size.
    struct Band {
        int index, start, size;
    };
    // Bands in sight: the fixed ones, then from first on, until extent is filled.
    static std::vector<Band> inSight(const Axis& axis, int count, int first, int extent);
    static int lastFirst(const Axis& axis, int count, int extent);
    std::vector<Band> visibleCols() const;
    std::vector<Band> visibleRows() const;
    void syncSizes();
    void updateScrollBars();
    const QString& textOf(const std::string& sjis);
    // The row (column) a drag that is over pos would drop on: the nearest
    // scrolled one, also when pos lies beyond the cells.
    int dropRowAt(QPoint pos) const;
    int dropColAt(QPoint pos) const;
    void scrollTowards(QPoint pos);
    void scrollToCurrent();
    // Scrolled rows whole in sight from the top row on.
    int rowsInSight() const;

    enum class DragKind { None, Row, Col };
    struct Drag {
        DragKind kind = DragKind::None;
        int from = -1, over = -1;
    };

    const CompositionTable& table_;
    Axis cols_{FixedCols, DefaultColWidth, {}};
    Axis rows_{FixedRows, DefaultRowHeight, {}};
    std::unordered_map<std::string, QString> textCache_;
    std::vector<Outline> outlines_;
    Drag drag_;
    int movableRows_[2] = {FixedRows, INT_MAX};
    int movableCols_[2] = {FixedCols, INT_MAX};
    QPoint hovered_{-1, -1};
    QPoint current_{-1, -1};
};

}  // namespace tamsel
