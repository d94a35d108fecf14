#include "tablefile/table_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "datafile/numbers.h"
#include "io/page_array.h"
#include "io/safe_file.h"
#include "platform/error.h"
#include "table/dialog_filters.h"
#include "table/frequency.h"
#include "tablefile/byte_run.h"
#include "tablefile/comma_list.h"
#include "text/lines.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

std::string num(std::int64_t n) {
    return std::to_string(n);
}

// A cell text as a message shows it: cut, so a long cell does not fill the box.
std::string shown(std::string_view text) {
    std::string s = cutBytes(text, 24);
    return s.size() < text.size() ? s + "..." : s;
}

// --- slots -------------------------------------------------------------------

// The slot numbers of the positions 1..capacity of one kind (relevé columns or
// species rows), read from their cells.
struct SlotLine {
    std::vector<std::int32_t> slot;  // by position; 0 where a free cell is no number
    std::vector<std::pair<std::int32_t, std::int32_t>> swaps;  // (slot in use, slot it takes)
    std::vector<std::int32_t> posOf;  // position holding a slot, -1 if none
};

// Checks the slots in use and plans the exchanges that bring them to 1..count.
// cellName(pos) names the grid cell of a position for messages.
template <typename CellOf, typename NameOf>
SlotLine planSlots(std::int32_t count, std::int32_t capacity, std::int32_t slotLimit, CellOf cellOf,
                   NameOf nameOf) {
    SlotLine p;
    p.slot.assign(static_cast<std::size_t>(capacity) + 1, 0);
    p.posOf.assign(static_cast<std::size_t>(slotLimit), -1);
    for (std::int32_t pos = 1; pos <= capacity; ++pos) {
        const std::string& text = cellOf(pos);
        auto v = parseNumberField(text);
        bool inUse = pos <= count;
        if (!v || *v < 1 || *v >= slotLimit) {
            if (!inUse) continue;  // a free cell that holds no usable slot takes part in nothing
            throw Error(nameOf(pos) + sj(" のスロット番号 \"") + shown(text) +
                        sj("\" が正しくありません（1〜") + num(slotLimit - 1) +
                        sj(" の数値のはず）。保存できません。"));
        }
        if (p.posOf[*v] >= 0) {
            if (!inUse) continue;
            throw Error(nameOf(pos) + sj(" のスロット番号 ") + num(*v) + sj(" が ") +
                        nameOf(p.posOf[*v]) + sj(" と重複しています。保存できません。"));
        }
        p.slot[pos] = *v;
        p.posOf[*v] = pos;
    }
    // Slots above the count held by positions in use go to the numbers 1..count
    // that no position in use holds, in ascending order on both sides.
    std::vector<std::int32_t> excess, missing;
    for (std::int32_t pos = 1; pos <= count; ++pos)
        if (p.slot[pos] > count) excess.push_back(p.slot[pos]);
    for (std::int32_t s = 1; s <= count; ++s) {
        std::int32_t at = p.posOf[s];
        if (at < 0 || at > count) missing.push_back(s);
    }
    std::sort(excess.begin(), excess.end());
    for (std::size_t k = 0; k < excess.size(); ++k) p.swaps.emplace_back(excess[k], missing[k]);
    return p;
}

// The slot numbers the file carries: the table's, with the slots above the count
// held by positions in use exchanged for the numbers 1..count that no position in
// use holds, so that the file's slots in use are exactly 1..count. The codes go
// with their slots. The table keeps its own numbers: saving changes nothing.
struct FileSlots {
    std::vector<std::int32_t> releve, species;  // by table slot, the file's slot
    std::map<int, std::string> releveCells;     // by column, the slot row's new text
    std::map<int, std::string> speciesCells;    // by row, the slot column's new text
};

FileSlots planFileSlots(const TableState& t) {
    const Grid& g = t.grid();
    const CoverArray& a = t.codes();
    using L = TableLayout;
    const std::int32_t NR = t.releveCount(), NS = t.speciesCount();
    const TableLayout layout(t.freqRow());
    const std::int32_t relCap = std::min(t.releveCapacity(), L::releveRoom(g.colCount()));
    const std::int32_t spCap = std::min(t.plantCapacity(), layout.speciesRoom(g.rowCount()));
    if (NR > relCap || NS > spCap || NR > a.releveSlots() - 1 || NS > a.speciesSlots() - 1)
        throw Error(sj("表の件数が表の大きさを超えています。保存できません。"));

    SlotLine rel = planSlots(
        NR, relCap, a.releveSlots(),
        [&](std::int32_t j) -> const std::string& { return g.cell(L::releveCol(j), L::SlotRow); },
        [](std::int32_t j) { return sj("列 ") + num(L::releveCol(j)); });
    SlotLine sp = planSlots(
        NS, spCap, a.speciesSlots(),
        [&](std::int32_t i) -> const std::string& {
            return g.cell(L::SlotCol, layout.speciesRow(i));
        },
        [&](std::int32_t i) { return sj("行 ") + num(layout.speciesRow(i)); });

    // Each exchange swaps two slot numbers between the cells that hold them and
    // the codes between the two slots.
    auto plan = [](const SlotLine& line, std::size_t slots, auto cellOf,
                   std::vector<std::int32_t>& map, std::map<int, std::string>& cells) {
        map.resize(slots);
        for (std::size_t s = 0; s < slots; ++s) map[s] = static_cast<std::int32_t>(s);
        for (auto [e, m] : line.swaps) {
            map[static_cast<std::size_t>(e)] = m;
            map[static_cast<std::size_t>(m)] = e;
            cells[cellOf(line.posOf[e])] = num(m);
            if (line.posOf[m] >= 0) cells[cellOf(line.posOf[m])] = num(e);
        }
    };
    FileSlots f;
    plan(rel, static_cast<std::size_t>(a.releveSlots()), &L::releveCol, f.releve, f.releveCells);
    plan(
        sp, static_cast<std::size_t>(a.speciesSlots()),
        [&](std::int32_t i) { return layout.speciesRow(i); }, f.species, f.speciesCells);
    return f;
}

// --- writing -------------------------------------------------------------------

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

void writeCoverBlock(ByteSink& out, const TableState& t, const FileSlots& slots) {
    const std::int32_t NR = t.releveCount(), NS = t.speciesCount();
    const CoverArray& a = t.codes();
    const int releveSlots = a.releveSlots();
    auto fileReleve = [&](int v) { return slots.releve[static_cast<std::size_t>(v)]; };
    auto fileSpecies = [&](std::int32_t s) { return slots.species[static_cast<std::size_t>(s)]; };
    // TableArray is held by relevé; the file wants lines by species slot, so the
    // non-zero entries are sorted by species slot once (a counting sort), copied:
    // read through pointers in species order, each entry was a cache miss.
    std::vector<std::uint32_t> start(static_cast<std::size_t>(NS) + 2, 0);
    for (int v = 0; v < releveSlots; ++v)
        if (fileReleve(v) <= NR)
            for (const auto& en : a.releve(v))
                if (fileSpecies(en.first) <= NS) ++start[fileSpecies(en.first) + 1];
    for (std::size_t s = 1; s < start.size(); ++s) start[s] += start[s - 1];
    struct Entry {
        std::int32_t releve;
        LayerCodes codes;
    };
    std::vector<Entry> bySpecies(start.back());
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (int v = 0; v < releveSlots; ++v)
        if (fileReleve(v) <= NR)
            for (const auto& en : a.releve(v))
                if (fileSpecies(en.first) <= NS)
                    bySpecies[fill[fileSpecies(en.first)]++] = {fileReleve(v), en.second};

    const std::size_t width = 7 * (static_cast<std::size_t>(NR) + 1);
    std::string line(width, '0');
    line += "\r\n";
    for (std::int32_t s = 0; s <= NS; ++s) {
        for (std::uint32_t k = start[s]; k < start[s + 1]; ++k) {
            const auto& [v, codes] = bySpecies[k];
            for (int l = 0; l < LayerCount; ++l) {
                CoverCode c = codes[l];
                // A code above 207 would come back as a byte below "0", which no
                // loader accepts.
                if (c > 255 - 48)
                    throw Error(sj("被度コード ") + num(c) +
                                sj(" は組成表ファイルに保存できません（測定スロット ") + num(v) +
                                sj("、種スロット ") + num(s) + sj("）。"));
                line[7 * static_cast<std::size_t>(v) + l] = static_cast<char>(c + 48);
            }
        }
        out.write(line);
        for (std::uint32_t k = start[s]; k < start[s + 1]; ++k)
            std::memset(&line[7 * static_cast<std::size_t>(bySpecies[k].releve)], '0', 7);
    }
}

void writeGridBlock(ByteSink& out, const TableState& t, const FileSlots& slots) {
    const Grid& g = t.grid();
    const int cols = g.colCount();
    const int lastRow = TableLayout(t.freqRow()).lastSpeciesRow(t.speciesCount());
    std::vector<std::pair<int, const std::string*>> cells;
    std::string line;
    for (int r = 0; r <= lastRow; ++r) {
        cells.clear();
        g.forEachInRow(r,
                       [&](int col, const std::string& text) { cells.emplace_back(col, &text); });
        if (r == TableLayout::SlotRow) {
            for (auto& [col, text] : cells)
                if (auto it = slots.releveCells.find(col); it != slots.releveCells.end())
                    text = &it->second;
        } else if (auto it = slots.speciesCells.find(r); it != slots.speciesCells.end()) {
            for (auto& [col, text] : cells)
                if (col == TableLayout::SlotCol) text = &it->second;
        }
        std::sort(cells.begin(), cells.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        line.clear();
        if (cols == 1 && cells.empty()) {
            line = "\"\"";
        } else {
            int commas = 0;
            for (auto [col, text] : cells) {
                if (hasLineBreak(*text))
                    throw Error(
                        sj("行 ") + num(r) + sj("、列 ") + num(col) +
                        sj(" のセルに改行が含まれているため、組成表ファイルに保存できません。"));
                line.append(static_cast<std::size_t>(col - commas), ',');
                commas = col;
                appendCommaItem(line, *text);
            }
            if (cols > 0) line.append(static_cast<std::size_t>(cols - 1 - commas), ',');
        }
        line += "\r\n";
        out.write(line);
    }
}

}  // namespace

void writeTableFile(ByteSink& out, const TableState& t) {
    if (hasLineBreak(t.title()))
        throw Error(sj("表の標題に改行が含まれているため、組成表ファイルに保存できません。"));
    if (t.freqRow() < TableLayout::MinFreqRow ||
        TableLayout(t.freqRow()).lastSpeciesRow(t.speciesCount()) >= t.grid().rowCount())
        throw Error(sj("表の行の配置が正しくありません。保存できません。"));
    const FileSlots slots = planFileSlots(t);
    std::string head = t.title() + "\r\n" + num(t.speciesCount()) + " " + num(t.releveCount()) +
                       " " + num(t.freqRow()) + "\r\n";
    out.write(head);
    writeCoverBlock(out, t, slots);
    writeGridBlock(out, t, slots);
}

// --- reading -------------------------------------------------------------------

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
        }
        // The row's cells are gathered first, so that its storage is sized once.
        std::size_t filled = 0;
        bool closed = forEachFilledCommaItem(text, [&](std::size_t k, std::string_view item) {
            if (k >= cols) return;
            if (hasLineBreak(item))
                fault.at(n, sj("列 ") + num(static_cast<std::int64_t>(k)) +
                                sj(" のセルに改行（CR）が含まれています。"));
            if (filled == rowCells.size()) rowCells.emplace_back();
            rowCells[filled].first = static_cast<int>(k);
            rowCells[filled].second.assign(item);
            ++filled;
        });
        if (!closed) fault.at(n, sj("引用符 (\") が閉じていません。"));
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
    lt.codes.resize(lt.releveCount + 1, lt.speciesCount + 1);
    lt.codes.assign(st.cover.span());
    st.cover.release();

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

void installLoadedTable(TableState& t, LoadedTable&& lt, const std::string& path) {
    PresenceCounts counts =
        countPresences(lt.grid, TableLayout(lt.freqRow), lt.speciesCount, lt.releveCount);
    std::filesystem::path p(path);
    std::string name = p.filename().string(), folder = p.parent_path().string();
    std::vector<LayerCodes> domLine = t.domLine();
    domLine.resize(static_cast<std::size_t>(lt.releveCount) + 1, LayerCodes{});
    // Nothing below can fail: the table changes all at once.
    t.history.restart(t);
    // The file does not keep the relevés' origins.
    t.replace(TableFields{.title = std::move(lt.title),
                          .plantCapacity = lt.speciesCount,
                          .releveCapacity = lt.releveCount,
                          .releveCount = lt.releveCount,
                          .speciesCount = lt.speciesCount,
                          .freqRow = lt.freqRow,
                          .freq = std::move(counts.freq),
                          .numSp = std::move(counts.numSp),
                          .domLine = std::move(domLine)},
              std::move(lt.codes), std::move(lt.grid));
    t.data.CurrentNotation = 2;
    t.DataFileName = std::move(name);
    t.DataFolder = std::move(folder);
    t.TableFileName = path;
    t.markUnchanged();
}

// --- files ---------------------------------------------------------------------

void saveTableFile(TableState& t, const std::string& path) {
    writeFileSafely(path, [&](ByteSink& out) { writeTableFile(out, t); });
    t.TableFileName = path;
    t.markUnchanged();
}

void loadTableFile(TableState& t, const std::string& path, ProgressBar* bar,
                   std::size_t bufferSize) {
    struct BarReset {
        ProgressBar* bar;
        ~BarReset() {
            if (bar) bar->setPosition(0);
        }
    } reset{bar};
    try {
        TableFileReader reader(path, bar);
        readFileInPieces(path, bufferSize, [&](std::string_view piece) { reader.feed(piece); });
        installLoadedTable(t, reader.finish(), path);
    } catch (const std::bad_alloc&) {
        // A table too large for this machine: the user's words, the table as it was.
        throw Error(sj("メモリーが足りないため組成表ファイル ") + fromUtf8(path) +
                    sj(" を読み込めません"));
    }
}

// --- commands ------------------------------------------------------------------

namespace {
void saveWithPanel(TableState& t, Ui& ui, const std::string& path) {
    MessagePanelScope panel(ui, sj("組成表を保存中"));
    saveTableFile(t, path);
    ui.status(sj("保存しました: ") + fromUtf8(path));
}
}  // namespace

void Item_SaveTableClick(TableState& t, Ui& ui) {
    FileDialogRequest r;
    r.title = sj("組成表の保存");
    r.filter = saveDialogFilter();
    r.filterIndex = 1;
    r.defaultExt = ".vtb";
    r.fileName = proposedFileName(t.title(), t.TableFileName, ".vtb");
    auto path = ui.saveFileDialog(r);
    if (!path) return;
    saveWithPanel(t, ui, *path);
}

void Item_SaveClick(TableState& t, Ui& ui) {
    if (t.TableFileName.empty()) {
        Item_SaveTableClick(t, ui);
        return;
    }
    const std::string path = t.TableFileName;  // the save sets it again
    saveWithPanel(t, ui, path);
}

void openTableFile(TableState& t, Ui& ui, const std::string& path) {
    {
        MessagePanelScope panel(ui, sj("組成表を読込中"));
        loadTableFile(t, path, &ui.progressBar1());
    }
    ui.status(sj("読込みました: ") + fromUtf8(path));
}

void Item_LoadTableClick(TableState& t, Ui& ui) {
    FileDialogRequest r;
    r.title = sj("組成表の読込");
    r.filter = openDialogFilter();
    r.filterIndex = 2;
    r.initialDir = t.OpenDialogFolder;
    r.fileName = "*.vtb";
    auto path = ui.openFileDialog(r);
    if (!path) return;
    openTableFile(t, ui, *path);
}

}  // namespace tamsel
