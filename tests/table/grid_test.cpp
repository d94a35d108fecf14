#include "table/grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/error.h"

namespace tamsel {
namespace {

// The grid as a plain dense array of rows, to check the real one against.
struct Dense {
    std::vector<std::vector<std::string>> rows;  // rows[row][col]
    int cols = 0;

    void resize(int c, int r) {
        rows.resize(static_cast<std::size_t>(r));
        for (auto& row : rows) row.resize(static_cast<std::size_t>(c));
        cols = c;
    }
};

void expectSame(const Grid& g, const Dense& d, const std::string& step) {
    ASSERT_EQ(g.rowCount(), static_cast<int>(d.rows.size())) << step;
    ASSERT_EQ(g.colCount(), d.cols) << step;
    for (int r = 0; r < g.rowCount(); ++r) {
        for (int c = 0; c < g.colCount(); ++c)
            ASSERT_EQ(g.cell(c, r), d.rows[r][c]) << step << " at (" << c << ", " << r << ")";
        EXPECT_EQ(g.rowTexts(r), d.rows[r]) << step << " row " << r;
        int seen = 0;
        g.forEachInRow(r, [&](int col, const std::string& text) {
            EXPECT_EQ(text, d.rows[r][col]) << step;
            ++seen;
        });
        EXPECT_EQ(seen, std::count_if(d.rows[r].begin(), d.rows[r].end(),
                                      [](const std::string& s) { return !s.empty(); }))
            << step;
    }
    for (int c = 0; c < g.colCount(); ++c) {
        std::vector<std::string> col;
        for (const auto& row : d.rows) col.push_back(row[c]);
        EXPECT_EQ(g.colTexts(c), col) << step << " column " << c;
    }
}

Grid filled(int cols, int rows, Dense& d) {
    Grid g;
    g.setColCount(cols);
    g.setRowCount(rows);
    d.resize(cols, rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if ((r + c) % 3) {
                std::string t = std::to_string(c) + "," + std::to_string(r);
                g.setCell(c, r, t);
                d.rows[r][c] = t;
            }
    return g;
}

template <typename V>
void moveIn(V& v, int from, int to) {
    auto item = v[from];
    v.erase(v.begin() + from);
    v.insert(v.begin() + to, item);
}

TEST(Grid, CellsOutsideReadEmptyAndCannotBeWritten) {
    Grid g;
    g.setColCount(3);
    g.setRowCount(2);
    g.setCell(2, 1, "x");
    EXPECT_EQ(g.cell(2, 1), "x");
    EXPECT_EQ(g.cell(1, 1), "");
    for (auto [c, r] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {100, 100}}) {
        EXPECT_EQ(g.cell(c, r), "");
        EXPECT_THROW(g.setCell(c, r, "y"), Error);
    }
    EXPECT_THROW(g.clearRow(2), Error);
    EXPECT_THROW(g.clearCol(-1), Error);
    EXPECT_THROW(g.swapRows(0, 2), Error);
    EXPECT_THROW(g.moveCol(0, 3), Error);
    // Writing the empty text removes a cell.
    g.setCell(2, 1, "");
    EXPECT_EQ(g.cell(2, 1), "");
}

// Each operation on the grid and the same on the dense copy.
struct Op {
    const char* name;
    std::function<void(Grid&)> onGrid;
    std::function<void(Dense&)> onDense;
};

std::vector<Op> fixedOps() {
    return {
        {"swapRows", [](Grid& g) { g.swapRows(1, 4); },
         [](Dense& d) { std::swap(d.rows[1], d.rows[4]); }},
        {"swapCols", [](Grid& g) { g.swapCols(0, 5); },
         [](Dense& d) {
             for (auto& r : d.rows) std::swap(r[0], r[5]);
         }},
        {"moveRow down", [](Grid& g) { g.moveRow(1, 5); }, [](Dense& d) { moveIn(d.rows, 1, 5); }},
        {"moveRow up", [](Grid& g) { g.moveRow(6, 0); }, [](Dense& d) { moveIn(d.rows, 6, 0); }},
        {"moveCol right", [](Grid& g) { g.moveCol(0, 4); },
         [](Dense& d) {
             for (auto& r : d.rows) moveIn(r, 0, 4);
         }},
        {"moveCol left", [](Grid& g) { g.moveCol(5, 1); },
         [](Dense& d) {
             for (auto& r : d.rows) moveIn(r, 5, 1);
         }},
        {"permuteRows",
         [](Grid& g) {
             g.permuteRows(2, {3, 0, 2, 1});
         },
         [](Dense& d) {
             auto old = d.rows;
             int order[] = {3, 0, 2, 1};
             for (int k = 0; k < 4; ++k) d.rows[2 + k] = old[2 + order[k]];
         }},
        {"permuteCols",
         [](Grid& g) {
             g.permuteCols(1, {2, 0, 1});
         },
         [](Dense& d) {
             for (auto& r : d.rows) {
                 auto old = r;
                 int order[] = {2, 0, 1};
                 for (int k = 0; k < 3; ++k) r[1 + k] = old[1 + order[k]];
             }
         }},
        {"copyRow", [](Grid& g) { g.copyRow(2, 5); }, [](Dense& d) { d.rows[5] = d.rows[2]; }},
        {"copyCol", [](Grid& g) { g.copyCol(1, 3); },
         [](Dense& d) {
             for (auto& r : d.rows) r[3] = r[1];
         }},
        {"clearRow", [](Grid& g) { g.clearRow(3); },
         [](Dense& d) {
             for (auto& s : d.rows[3]) s.clear();
         }},
        {"clearCol", [](Grid& g) { g.clearCol(2); },
         [](Dense& d) {
             for (auto& r : d.rows) r[2].clear();
         }},
        {"setRowTexts",
         [](Grid& g) {
             g.setRowTexts(4, {"a", "", "c"});
         },
         [](Dense& d) {
             for (auto& s : d.rows[4]) s.clear();
             d.rows[4][0] = "a";
             d.rows[4][2] = "c";
         }},
        {"shrink and grow columns",
         [](Grid& g) {
             g.setColCount(3);
             g.setColCount(6);
         },
         [](Dense& d) {
             d.resize(3, static_cast<int>(d.rows.size()));
             d.resize(6, static_cast<int>(d.rows.size()));
         }},
        {"shrink and grow rows",
         [](Grid& g) {
             g.setRowCount(4);
             g.setRowCount(7);
         },
         [](Dense& d) {
             d.resize(d.cols, 4);
             d.resize(d.cols, 7);
         }},
        {"clearAll", [](Grid& g) { g.clearAll(); },
         [](Dense& d) {
             for (auto& r : d.rows)
                 for (auto& s : r) s.clear();
         }},
    };
}

// Rows are stored sparse or dense by how full they are: every operation is run on
// grids whose rows take each shape, and on grids whose maps a reordering permuted.
struct Fill {
    const char* name;
    std::function<bool(int col, int row)> filled;
    bool scrambled = false;  // the maps permuted before filling
};

Grid fillWith(const Fill& f, int cols, int rows, Dense& d) {
    Grid g;
    g.setColCount(cols);
    g.setRowCount(rows);
    d.resize(cols, rows);
    if (f.scrambled) {
        g.permuteCols(0, {3, 5, 0, 4, 1, 2});
        g.permuteRows(0, {6, 2, 4, 0, 5, 1, 3});
    }
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if (f.filled(c, r)) {
                std::string t = std::to_string(c) + "," + std::to_string(r);
                // Every third text too long for the string's own buffer.
                if ((c + r) % 3 == 1) t += " and a text longer than fifteen bytes";
                g.setCell(c, r, t);
                d.rows[r][c] = t;
            }
    return g;
}

TEST(Grid, EachOperationCarriesAllCellsWhateverTheStorage) {
    const Fill fills[] = {
        {"two thirds", [](int c, int r) { return (r + c) % 3 != 0; }},
        {"full rows and nearly empty rows", [](int c, int r) { return r % 2 ? true : c == r % 6; }},
        {"empty", [](int, int) { return false; }},
        {"scrambled maps, full", [](int, int) { return true; }, true},
        {"scrambled maps, sparse", [](int c, int r) { return c == (r * 5) % 6; }, true},
    };
    for (const Fill& f : fills) {
        for (const Op& op : fixedOps()) {
            const std::string step = std::string(f.name) + ": " + op.name;
            Dense d;
            Grid g = fillWith(f, 6, 7, d);
            op.onGrid(g);
            op.onDense(d);
            expectSame(g, d, step);
            // The cells stay separate afterwards: writing one touches no other.
            g.setCell(3, 5, "new");
            d.rows[5][3] = "new";
            g.setCell(5, 2, "");
            d.rows[2][5] = "";
            expectSame(g, d, step + " then a write");
            // Growth: new columns and rows read empty and take texts, in rows of
            // every shape, and filling a row in order makes it full.
            g.setColCount(9);
            g.setRowCount(9);
            d.resize(9, 9);
            for (int c = 0; c < 9; ++c) {
                g.setCell(c, 1, "g" + std::to_string(c));
                d.rows[1][c] = "g" + std::to_string(c);
            }
            g.setCell(8, 8, "corner");
            d.rows[8][8] = "corner";
            expectSame(g, d, step + " then growth");
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}

TEST(Grid, WholeNumbersAreHeldAsIntegersAndShownAsWritten) {
    struct Case {
        std::string text;
        std::optional<std::int32_t> plain;
    };
    const Case cases[] = {{"7", 7},       {"0", 0},           {"123456789", 123456789},
                          {"1234", 1234}, {"   7", {}},       {" 123", {}},
                          {"07", {}},     {" 7", {}},         {"  7 ", {}},
                          {"00", {}},     {"1234567890", {}}, {"+5", {}},
                          {"-5", {}},     {"    ", {}},       {"12a", {}}};
    Grid g;
    g.setColCount(2);
    g.setRowCount(1);
    for (const Case& c : cases) {
        g.setCell(1, 0, c.text);
        const std::uint64_t before = g.revision();
        g.setCell(0, 0, c.text);
        g.setCell(1, 0, "");
        EXPECT_EQ(g.cell(0, 0), c.text);
        EXPECT_EQ(g.plainNumber(0, 0), c.plain) << c.text;
        // The same text again is no change; the other spelling of its number is.
        g.setCell(0, 0, c.text);
        EXPECT_EQ(g.revision(), before + 2) << c.text;
    }
    g.setCell(0, 0, "  12");
    g.setCell(0, 0, "12");
    EXPECT_EQ(g.cell(0, 0), "12");
}

TEST(Grid, CopiesAreRealCopies) {
    Dense d;
    Grid g = filled(4, 4, d);
    g.copyRow(1, 2);
    g.setCell(1, 1, "changed");
    EXPECT_EQ(g.cell(1, 2), d.rows[1][1]);
    g.copyCol(2, 3);
    g.setCell(2, 0, "changed too");
    EXPECT_EQ(g.cell(3, 0), d.rows[0][2]);
}

TEST(Grid, NonPermutationIsRefused) {
    Dense d;
    Grid g = filled(5, 6, d);
    EXPECT_THROW(g.permuteRows(1, {0, 0, 1}), Error);
    EXPECT_THROW(g.permuteRows(1, {0, 3}), Error);
    EXPECT_THROW(g.permuteCols(0, {1, 1}), Error);
    EXPECT_THROW(g.permuteCols(0, {-1, 0}), Error);
    EXPECT_THROW(g.permuteRows(4, {0, 1, 2}), Error);  // runs past the last row
    expectSame(g, d, "after refused permutations");
}

TEST(Grid, LongRandomSequenceAgreesWithDenseArray) {
    std::mt19937 rnd(20240611);
    auto pick = [&](int n) { return static_cast<int>(rnd() % static_cast<unsigned>(n)); };
    Dense d;
    Grid g = filled(8, 10, d);
    for (int step = 0; step < 3000; ++step) {
        int rows = g.rowCount(), cols = g.colCount();
        int a = pick(rows), b = pick(rows), x = pick(cols), y = pick(cols);
        std::string what;
        switch (pick(12)) {
            case 0: {
                what = "set";
                // Whole numbers are held apart from the pool's texts; near
                // spellings of them are texts.
                const std::string n = std::to_string(step % 50);
                const std::string texts[] = {"s" + n, n, std::string(4 - n.size(), ' ') + n,
                                             "0" + n};
                const std::string& text = texts[pick(4)];
                g.setCell(x, a, text);
                d.rows[a][x] = text;
                break;
            }
            case 1:
                what = "swapRows";
                g.swapRows(a, b);
                std::swap(d.rows[a], d.rows[b]);
                break;
            case 2:
                what = "swapCols";
                g.swapCols(x, y);
                for (auto& r : d.rows) std::swap(r[x], r[y]);
                break;
            case 3:
                what = "moveRow";
                g.moveRow(a, b);
                moveIn(d.rows, a, b);
                break;
            case 4:
                what = "moveCol";
                g.moveCol(x, y);
                for (auto& r : d.rows) moveIn(r, x, y);
                break;
            case 5: {
                what = "permuteRows";
                int first = std::min(a, b), n = std::max(a, b) - first + 1;
                std::vector<int> order(static_cast<std::size_t>(n));
                std::iota(order.begin(), order.end(), 0);
                std::shuffle(order.begin(), order.end(), rnd);
                g.permuteRows(first, order);
                auto old = d.rows;
                for (int k = 0; k < n; ++k) d.rows[first + k] = old[first + order[k]];
                break;
            }
            case 6: {
                what = "permuteCols";
                int first = std::min(x, y), n = std::max(x, y) - first + 1;
                std::vector<int> order(static_cast<std::size_t>(n));
                std::iota(order.begin(), order.end(), 0);
                std::shuffle(order.begin(), order.end(), rnd);
                g.permuteCols(first, order);
                for (auto& r : d.rows) {
                    auto old = r;
                    for (int k = 0; k < n; ++k) r[first + k] = old[first + order[k]];
                }
                break;
            }
            case 7:
                what = "copyRow/copyCol";
                g.copyRow(a, b);
                d.rows[b] = d.rows[a];
                g.copyCol(x, y);
                for (auto& r : d.rows) r[y] = r[x];
                break;
            case 8:
                what = "clearRow/clearCol";
                g.clearRow(a);
                for (auto& s : d.rows[a]) s.clear();
                g.clearCol(x);
                for (auto& r : d.rows) r[x].clear();
                break;
            case 9: {
                what = "setColCount";
                int n = 4 + pick(9);
                g.setColCount(n);
                d.resize(n, rows);
                break;
            }
            case 10: {
                what = "setRowCount";
                int n = 4 + pick(11);
                g.setRowCount(n);
                d.resize(cols, n);
                break;
            }
            default:
                what = "setRowTexts";
                std::vector<std::string> texts(static_cast<std::size_t>(pick(cols + 2)));
                for (auto& t : texts)
                    if (pick(2)) t = "t" + std::to_string(step);
                g.setRowTexts(a, texts);
                for (int c = 0; c < cols; ++c)
                    d.rows[a][c] = c < static_cast<int>(texts.size()) ? texts[c] : "";
                break;
        }
        expectSame(g, d, "step " + std::to_string(step) + " " + what);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// The bulk writes against the cell-by-cell one: batches with cells out of order,
// written twice, emptied, in rows sparse and dense, between column moves.
TEST(Grid, BulkWritesAgreeWithDenseArray) {
    std::mt19937 rnd(20261208);
    auto pick = [&](int n) { return static_cast<int>(rnd() % static_cast<unsigned>(n)); };
    Dense d;
    Grid g = filled(12, 9, d);
    for (int step = 0; step < 400; ++step) {
        const int rows = g.rowCount(), cols = g.colCount();
        if (step % 3 == 0) {
            std::vector<CellWrite> batch;
            for (int k = pick(40); k > 0; --k) {
                CellWrite w{pick(cols), pick(rows), pick(5) ? "b" + std::to_string(k) : ""};
                d.rows[w.row][w.col] = w.text;
                batch.push_back(w);
            }
            // In column order most cells land beyond their row's last, the quick way.
            if (pick(2))
                std::stable_sort(
                    batch.begin(), batch.end(),
                    [](const CellWrite& x, const CellWrite& y) { return x.col < y.col; });
            g.setCells(batch);
        } else if (step % 3 == 1) {
            const int row = pick(rows);
            std::vector<std::pair<int, std::string>> cells;
            std::vector<std::string> texts(static_cast<std::size_t>(cols));
            for (int c = 0; c < cols; ++c)
                if (pick(4) < 1 + step % 4) {
                    cells.emplace_back(c, "r" + std::to_string(step));
                    texts[c] = cells.back().second;
                }
            g.setRowCells(row, cells);
            d.rows[row] = texts;
        } else {
            const int x = pick(cols), y = pick(cols);
            g.moveCol(x, y);
            for (auto& r : d.rows) moveIn(r, x, y);
        }
        expectSame(g, d, "step " + std::to_string(step));
        if (::testing::Test::HasFatalFailure()) return;
    }
    std::vector<std::pair<int, std::string>> unordered{{3, "a"}, {1, "b"}};
    EXPECT_THROW(g.setRowCells(0, unordered), Error);
    EXPECT_THROW(g.setCells({CellWrite{g.colCount(), 0, "x"}}), Error);
}

}  // namespace
}  // namespace tamsel
