#include "tablefile/table_file.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "datafile/numbers.h"
#include "io/page_array.h"
#include "platform/error.h"
#include "table/composition_table.h"
#include "tablefile/byte_run.h"
#include "tablefile/comma_list.h"
#include "tablefile/file_text.h"
#include "text/lines.h"
#include "text/sjis.h"

namespace tamsel {

using namespace tablefile;

namespace {

class FileFault {
  public:
    explicit FileFault(const std::string& fileName) : name_(fromUtf8(fileName)) {}
    [[noreturn]] void at(std::int64_t line, const std::string& what) const {
        throw Error(sj("組成表ファイル ") + name_ + sj(" の ") + num(line) + sj(" 行目: ") + what);
    }
    [[noreturn]] void whole(const std::string& what) const {
        throw Error(sj("組成表ファイル ") + name_ + ": " + what);
    }
    [[noreturn]] void foreign() const {
        throw Error(sj("組成表ファイルではありません: ") + name_ +
                    sj("（先頭の 2 行が組成表の標題と件数の行ではありません）"));
    }

  private:
    std::string name_;
};

// Lines 1 and 2 of a table file are text: a control byte there (a CR inside has
// its own fault) means another kind of file (an image, a zip), named as such.
bool isTextLine(std::string_view line) {
    for (char c : line)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r') return false;
    return true;
}

// Line 2: exactly three whole numbers, not negative.
std::array<std::int32_t, 3> readCounts(std::string_view line, const FileFault& fault) {
    static const char* const names[3] = {"種数 (NS)", "測定数 (NR)", "F＼N 行の位置 (F)"};
    std::array<std::int32_t, 3> v{};
    std::size_t i = 0;
    int n = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (true) {
        while (i < line.size() && blank(line[i])) ++i;
        if (i == line.size()) break;
        std::size_t start = i;
        while (i < line.size() && !blank(line[i])) ++i;
        std::string_view tok = line.substr(start, i - start);
        if (n == 3) fault.at(2, sj("件数の後に余分な文字 \"") + shown(tok) + sj("\" があります。"));
        auto value = parseNumberField(tok);
        if (!value)
            fault.at(2, sj(names[n]) + sj(" \"") + shown(tok) + sj("\" が整数ではありません。"));
        if (*value < 0)
            fault.at(2, sj(names[n]) + sj(" が負の数 (") + num(*value) + sj(") です。"));
        v[n++] = *value;
    }
    if (n < 3)
        fault.at(2, sj("件数が足りません（種数、測定数、F＼N 行の位置の 3 つの整数が要ります）。"));
    if (v[2] < TableLayout::MinFreqRow || v[2] > TableLayout::MaxFreqRow)
        fault.at(2, sj("F＼N 行の位置 ") + num(v[2]) + sj(" が ") + num(TableLayout::MinFreqRow) +
                        sj("〜") + num(TableLayout::MaxFreqRow) + sj(" の範囲にありません。"));
    if (v[0] > 0x7FFFFFFF - 64 || v[1] > 0x7FFFFFFF / 8 - 8)
        fault.at(2, sj("件数が大きすぎます。"));
    return v;
}

// Reads one cover line into codes. A byte below "0" is a fault when Strict; else
// the read stops there and says so, leaving the line to the careful path (the byte
// may be a line end, which makes it another line).
template <bool Strict>
bool readCoverLine(std::string_view L, std::int32_t s, std::int64_t lineNo,
                   PageArray<CoverEntry>& entries, const FileFault& fault) {
    const std::size_t n = L.size();
    std::size_t i = 0;
    while (true) {
        // A wide table's cover lines are nearly all "0".
        i = runEnd(L, i, '0');
        if (i >= n) break;
        std::size_t v = i / 7;
        LayerCodes c{};
        for (int l = 0; l < LayerCount; ++l) {
            unsigned char b = static_cast<unsigned char>(L[7 * v + l]);
            if (b < '0' && !Strict) return false;
            if (b < '0')
                fault.at(lineNo, num(static_cast<std::int64_t>(7 * v + l + 1)) +
                                     sj(" バイト目が被度コードではありません（バイト値 ") + num(b) +
                                     sj("）。"));
            c[l] = static_cast<CoverCode>(b - '0');
        }
        entries.push_back(CoverEntry{static_cast<std::int32_t>(v), s, c});
        i = 7 * (v + 1);
    }
    return true;
}

template <typename CellOf>
void checkSlots(std::int32_t count, CellOf cellOf, const char* what) {
    std::vector<char> seen(static_cast<std::size_t>(count) + 1, 0);
    for (std::int32_t pos = 1; pos <= count; ++pos) {
        auto [text, fail] = cellOf(pos);
        auto v = parseNumberField(text);
        if (!v) fail(sj(what) + sj(" \"") + shown(text) + sj("\" が数値ではありません。"));
        if (*v < 1 || *v > count)
            fail(sj(what) + " " + num(*v) + sj(" が 1〜") + num(count) +
                 sj(" の範囲にありません。"));
        if (seen[*v]) fail(sj(what) + " " + num(*v) + sj(" が重複しています。"));
        seen[*v] = 1;
    }
}

}  // namespace

// A line is parsed as soon as its line end arrives. A fault found on the way is
// kept, not thrown: finish() reports the first fault in the order a check of the
// whole file has them (the file's shape and line count before any line's content),
// so the message does not depend on where the pieces were cut.
struct TableFileReader::State {
    State(const std::string& fileName, ProgressBar* b) : fault(fileName), bar(b) {}

    FileFault fault;
    ProgressBar* bar;
    std::uint64_t bytes = 0;
    char lastByte = 0;
    std::int64_t lines = 0;    // lines ended by LF
    std::string carry;         // the start of the next line, when its text is needed
    std::size_t carryLen = 0;  // the length of the next line so far
    char carryLast = 0;

    LoadedTable lt;
    // The non-zero cover entries as the file has them, species by species; they
    // become lt.codes in one pass at the end.
    PageArray<CoverEntry> cover;
    // The cells of the grid row being read; kept from row to row with their buffers.
    std::vector<std::pair<int, std::string>> rowCells;
    // The grid block leaves out the species cells' texts their codes show (the
    // model derives them): the codes are in place when the grid block starts, row
    // 0 gives each column's relevé slot and column 0 each row's species slot.
    bool codesPlaced = false;
    std::vector<std::int32_t> slotOfCol;      // by column: its relevé slot 1..NR, else 0
    std::vector<std::uint32_t> codedReleves;  // by species slot: relevés 1..NR with codes
    std::vector<int> shownCols;               // the row's columns whose text the codes show
    void placeCodes();
    // A species row's cells the file leaves empty though their codes are not keep
    // that emptiness (KeptEmpty); the count of the row tells when there is one.
    void keepEmptyCells(std::int32_t species);
    bool counted = false;  // line 2 read well
    bool foreign = false;  // line 1 or 2 is not a table file's
    std::int64_t coverEnd = 0, expected = 0;
    std::size_t width = 0, cols = 0;
    std::optional<Error> titleFault, countsFault, widthFault, contentFault;

    bool contentPending() const { return widthFault || contentFault; }
    // Whether line n (1-based) is read for more than its length.
    bool needsText(std::int64_t n) const {
        return n <= 2 || (counted && n <= expected && !contentPending());
    }
    template <typename F>
    void keepFirst(std::optional<Error>& slot, F&& f) {
        if (slot) return;
        try {
            f();
        } catch (const Error& e) {
            slot = e;
            // The table is no longer needed; give its memory back now. The title
            // and counts stay: the refusal may still name them.
            if (&slot == &widthFault || &slot == &contentFault) {
                lt.codes = CoverArray{};
                lt.grid = Grid{};
                cover.release();
            }
        }
    }
    // Line n+1 has ended: text is its bytes without the CR LF when needsText(n+1),
    // else empty; length is its length without the CR LF in any case.
    void line(std::string_view text, std::size_t length);
    // A cover line read straight from the piece, when it is whole there, ends in
    // CR LF at the width the counts give and holds no byte below "0": then the
    // scan for its line end and the scan of its codes are one. False: nothing
    // counted, the line goes the careful way.
    bool coverLineAt(std::string_view piece, std::size_t pos);
};

bool TableFileReader::State::coverLineAt(std::string_view piece, std::size_t pos) {
    const std::int64_t n = lines + 1;
    if (!counted || contentPending() || n < 3 || n > coverEnd || carryLen != 0) return false;
    if (piece.size() - pos < width + 2 || piece[pos + width] != '\r' ||
        piece[pos + width + 1] != '\n')
        return false;
    const std::int32_t sp = static_cast<std::int32_t>(n - 3);
    const std::size_t before = cover.size();
    if (!readCoverLine<false>(piece.substr(pos, width), sp, n, cover, fault)) {
        cover.resize(before);  // the careful way reads the line again
        return false;
    }
    if (bar) bar->setPosition(sp);
    lines = n;
    return true;
}

void TableFileReader::State::placeCodes() {
    if (codesPlaced) return;
    lt.codes.resize(lt.releveCount + 1, lt.speciesCount + 1);
    codedReleves.assign(static_cast<std::size_t>(std::max(lt.speciesCount, 0)) + 1, 0);
    for (const CoverEntry& e : cover.span())
        if (e.releve >= 1 && e.releve <= lt.releveCount) ++codedReleves[e.species];
    lt.codes.assign(cover.span());
    cover.release();
    lt.presencePerRow.assign(codedReleves.size(), 0);
    lt.presencePerColumn.assign(static_cast<std::size_t>(std::max(lt.releveCount, 0)) + 1, 0);
    codesPlaced = true;
}

void TableFileReader::State::keepEmptyCells(std::int32_t species) {
    std::vector<char> filled(cols, 0);
    for (const auto& [col, text] : rowCells) filled[static_cast<std::size_t>(col)] = 1;
    for (int col : shownCols) filled[static_cast<std::size_t>(col)] = 1;
    const std::size_t before = rowCells.size();
    for (std::int32_t j = 1; j <= lt.releveCount; ++j) {
        const int col = TableLayout::releveCol(j);
        const std::int32_t v = slotOfCol[static_cast<std::size_t>(col)];
        if (v > 0 && !filled[static_cast<std::size_t>(col)] && !allZero(lt.codes.get(v, species)))
            rowCells.emplace_back(col, CompositionTable::KeptEmpty);
    }
    if (rowCells.size() != before) std::sort(rowCells.begin(), rowCells.end());
}

void TableFileReader::State::line(std::string_view text, std::size_t length) {
    const std::int64_t n = ++lines;
    if (n <= 2 && !isTextLine(text)) foreign = true;
    if (n == 1) {
        lt.title = std::string(text);
        // What loads must save again: the file cannot carry a line break inside a text.
        if (hasLineBreak(lt.title))
            keepFirst(titleFault, [&] { fault.at(1, sj("標題に改行（CR）が含まれています。")); });
        return;
    }
    if (n == 2) {
        keepFirst(countsFault, [&] {
            const auto c = readCounts(text, fault);
            lt.speciesCount = c[0];
            lt.releveCount = c[1];
            lt.freqRow = c[2];
            const int lastRow = TableLayout(c[2]).lastSpeciesRow(c[0]);
            // Lines: title, counts, NS+1 cover lines, one line per grid row 0..lastRow.
            coverEnd = 2 + static_cast<std::int64_t>(c[0]) + 1;
            expected = coverEnd + lastRow + 1;
            width = 7 * (static_cast<std::size_t>(c[1]) + 1);
            cols = static_cast<std::size_t>(TableLayout::gridColCount(c[1]));
            counted = true;
        });
        // Nothing is sized from the counts yet: a file of a few bytes may claim
        // 10^8 species. The grid waits for the cover block to prove them.
        if (counted && bar) {
            bar->setMin(0);
            bar->setMax(lt.speciesCount + 5);
        }
        return;
    }
    if (!counted || n > expected) return;
    if (n <= coverEnd) {
        if (length != width) {
            keepFirst(widthFault, [&] {
                fault.at(n, sj("被度コードの行の長さが ") + num(static_cast<std::int64_t>(length)) +
                                sj(" バイトです（測定数 NR=") + num(lt.releveCount) +
                                sj(" からは ") + num(static_cast<std::int64_t>(width)) +
                                sj(" バイトのはず）。"));
            });
            return;
        }
        if (contentPending()) return;
        const std::int32_t sp = static_cast<std::int32_t>(n - 3);
        if (bar) bar->setPosition(sp);
        keepFirst(contentFault, [&] { readCoverLine<true>(text, sp, n, cover, fault); });
        return;
    }
    if (contentPending()) return;
    const int r = static_cast<int>(n - coverEnd - 1);
    keepFirst(contentFault, [&] {
        Grid& g = lt.grid;
        // The whole cover block has arrived: its NS + 1 lines of 7 (NR + 1) bytes
        // each prove the counts, so the grid they give costs what the file holds.
        if (r == 0) {
            g.setRowCount(TableLayout::gridRowCount(lt.speciesCount));
            g.setColCount(static_cast<int>(cols));
            placeCodes();
            slotOfCol.assign(cols, 0);
        }
        const TableLayout layout(lt.freqRow);
        const std::int32_t i =
            r > lt.freqRow && r <= layout.lastSpeciesRow(lt.speciesCount) ? layout.speciesAt(r) : 0;
        const std::size_t lastInUse =
            static_cast<std::size_t>(TableLayout::lastReleveCol(lt.releveCount));
        auto slotIn = [](std::string_view item, std::int32_t count) {
            const auto v = parseNumberField(item);
            return v && *v >= 1 && *v <= count ? *v : 0;
        };
        std::int32_t species = 0;   // the row's species slot, once column 0 gave it
        std::uint32_t covered = 0;  // cells with codes whose text the codes do not show
        shownCols.clear();
        // The row's cells are gathered first, so that its storage is sized once.
        std::size_t filled = 0;
        bool closed = forEachFilledCommaItem(text, [&](std::size_t k, std::string_view item) {
            if (k >= cols) return;
            if (hasLineBreak(item))
                fault.at(n, sj("列 ") + num(static_cast<std::int64_t>(k)) +
                                sj(" のセルに改行（CR）が含まれています。"));
            if (r == 0 && k >= TableLayout::FirstReleveCol && k <= lastInUse)
                slotOfCol[k] = slotIn(item, lt.releveCount);
            if (i > 0 && k == TableLayout::SlotCol) species = slotIn(item, lt.speciesCount);
            if (i > 0 && k >= TableLayout::FirstReleveCol && k <= lastInUse) {
                ++lt.presencePerRow[static_cast<std::size_t>(i)];
                ++lt.presencePerColumn[TableLayout::releveAt(static_cast<int>(k))];
                if (species > 0 && slotOfCol[k] > 0) {
                    const std::string& shown = shownSummary(lt.codes.get(slotOfCol[k], species));
                    if (item == shown) {
                        shownCols.push_back(static_cast<int>(k));
                        return;
                    }
                    if (!shown.empty()) ++covered;
                }
            }
            if (filled == rowCells.size()) rowCells.emplace_back();
            rowCells[filled].first = static_cast<int>(k);
            rowCells[filled].second.assign(item);
            ++filled;
        });
        if (!closed) fault.at(n, sj("引用符 (\") が閉じていません。"));
        if (species > 0 &&
            shownCols.size() + covered != codedReleves[static_cast<std::size_t>(species)]) {
            rowCells.resize(filled);
            keepEmptyCells(species);
            filled = rowCells.size();
        }
        g.setRowCells(r, std::span(rowCells).first(filled));
    });
}

TableFileReader::TableFileReader(const std::string& fileName, ProgressBar* bar)
    : s_(std::make_unique<State>(fileName, bar)) {}
TableFileReader::~TableFileReader() = default;

void TableFileReader::feed(std::string_view piece) {
    State& st = *s_;
    if (piece.empty()) return;
    st.bytes += piece.size();
    st.lastByte = piece.back();
    std::size_t pos = 0;
    while (pos < piece.size()) {
        if (st.coverLineAt(piece, pos)) {
            pos += st.width + 2;
            continue;
        }
        const auto [part, ended] = nextLine(piece, pos);
        const bool keep = st.needsText(st.lines + 1);
        if (!ended) {  // the line goes on in the next piece
            if (keep) st.carry.append(part);
            st.carryLen += part.size();
            if (!part.empty()) st.carryLast = part.back();
            break;
        }
        std::string_view text;
        std::size_t length;
        if (st.carryLen == 0) {
            text = part;
            length = part.size();
        } else {
            if (keep) st.carry.append(part);
            text = st.carry;
            length = st.carryLen + part.size();
            if (!part.empty()) st.carryLast = part.back();
        }
        const char last = part.empty() ? st.carryLast : part.back();
        if (length > 0 && last == '\r') {
            --length;
            if (!text.empty()) text.remove_suffix(1);
        }
        if (!keep) text = {};
        st.line(text, length);
        st.carry.clear();
        st.carryLen = 0;
        st.carryLast = 0;
    }
}

LoadedTable TableFileReader::finish() {
    State& st = *s_;
    const FileFault& fault = st.fault;
    if (st.bytes == 0) fault.whole(sj("ファイルが空です。"));
    if (st.foreign) fault.foreign();
    const std::int64_t have = st.lines + (st.carryLen > 0 ? 1 : 0);
    if (have < 2) fault.at(2, sj("件数の行がありません（ファイルが短すぎます）。"));
    // Every line the program writes ends in CR LF: a last line without one is
    // a file cut short.
    if (st.lastByte != '\n')
        fault.at(have, sj("行末がありません（ファイルがこの行の途中で切れています）。"));
    if (st.titleFault) throw *st.titleFault;
    if (st.countsFault) throw *st.countsFault;
    LoadedTable& lt = st.lt;
    const std::string counted = sj("（2 行目の件数 NS=") + num(lt.speciesCount) +
                                " NR=" + num(lt.releveCount) + " F=" + num(lt.freqRow) +
                                sj(" からは ") + num(st.expected) + sj(" 行のはず）");
    if (have < st.coverEnd)
        fault.at(have, sj("ファイルがこの行で終わっていて、被度コードの行が足りません") + counted +
                           sj("。"));
    if (have < st.expected)
        fault.at(have, sj("ファイルがこの行で終わっていて、表のセルの行が足りません") + counted +
                           sj("。"));
    if (have > st.expected)
        fault.at(st.expected + 1, sj("表の最後の行の後に余分な行があります") + counted + sj("。"));
    if (st.widthFault) throw *st.widthFault;
    if (st.contentFault) throw *st.contentFault;
    st.placeCodes();

    // Every slot in use must address an entry of the loaded TableArray.
    using L = TableLayout;
    const Grid& g = lt.grid;
    const TableLayout layout(lt.freqRow);
    const std::int64_t row0Line = st.coverEnd + 1;  // the line of grid row 0
    checkSlots(
        lt.releveCount,
        [&](std::int32_t j) {
            return std::pair{g.cell(L::releveCol(j), L::SlotRow), [&, j](const std::string& what) {
                                 fault.at(row0Line + L::SlotRow,
                                          sj("列 ") + num(L::releveCol(j)) + sj(" の") + what);
                             }};
        },
        "測定のスロット番号");
    checkSlots(
        lt.speciesCount,
        [&](std::int32_t i) {
            int row = layout.speciesRow(i);
            return std::pair{g.cell(L::SlotCol, row), [&, row](const std::string& what) {
                                 fault.at(row0Line + row, sj("種の") + what);
                             }};
        },
        "スロット番号");
    return std::move(lt);
}

LoadedTable readTableFile(std::string_view bytes, const std::string& fileName, ProgressBar* bar) {
    TableFileReader reader(fileName, bar);
    reader.feed(bytes);
    return reader.finish();
}

}  // namespace tamsel
