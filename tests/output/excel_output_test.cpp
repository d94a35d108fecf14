#include "output/excel_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "output/sheet_xml.h"
#include "platform/batch/batch_ui.h"
#include "platform/xlsx/workbook_server.h"
#include "support/recording_server.h"
#include "support/small_table.h"
#include "support/table_fields.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using namespace tamsel::testing;
using Lines = std::vector<std::string>;

const char* const Path = "/data/out.xlsx";

// The two calls that set one property of one cell: the cell, then the property.
Lines put(int r, int c, const std::string& member, const std::string& arg) {
    std::string at = std::to_string(r) + "," + std::to_string(c);
    return {
        "WorkSheets(1): get Cells(int " + std::to_string(r) + ", int " + std::to_string(c) + ")",
        "Cells(" + at + "): put " + member + "(" + arg + ")"};
}
Lines text(int r, int c, const std::string& s) {
    return put(r, c, "Value", "text \"" + s + "\"");
}
Lines number(int r, int c, int v) {
    return put(r, c, "Value", "int " + std::to_string(v));
}
Lines top(int r, int c) {
    return put(r, c, "VerticalAlignment", "small -4160");
}
Lines centred(int r, int c) {
    return put(r, c, "HorizontalAlignment", "small -4108");
}

const Lines Opening = {"create Excel.Application", "Excel.Application: method Workbooks()",
                       "Workbooks: method Add()", "Add: get WorkSheets(int 1)"};
const Lines Closing = {"Add: method SaveAs(Filename:=path \"/data/out.xlsx\")",
                       "Add: method close()", "Excel.Application: method Quit()"};

Lines join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class ExcelOutputTest : public ::testing::Test {
  protected:
    // Three relevés, the second empty; a species in layers T1 and H1, a comment
    // row, and a species whose only code is 1 (no layer in use). No box checked.
    void SetUp() override {
        startBlankTable(t, ui);
        t.model.setTitle("T");
        for (auto& box : t.print.PrintItemBoxes) box.checked = false;
        for (int j = 0; j < 3; ++j) addReleveColumn(t);
        std::int32_t abies = addTableRow(t, "Abies firma");
        addTableRow(t, "-- comment --");
        std::int32_t carex = addTableRow(t, "Carex");
        setCodes(t, 1, abies, {23, 0, 0, 0, 10, 0, 0});
        setCodes(t, 3, abies, {0, 0, 0, 0, 7, 0, 0});
        setCodes(t, 3, carex, {0, 0, 0, 0, 1, 0, 0});
        addRecordingServer(registry, "Excel.Application", record);
        ui.panelLabels.clear();
    }

    void write(ExcelOutputOptions o = {1, 3, true}) { writeExcelFile(t, ui, registry, o, Path); }

    // The 1-based number of the call of a complete run that holds needle.
    int callNumber(const std::string& needle) {
        CallRecord full;
        ServerRegistry r;
        addRecordingServer(r, "Excel.Application", full);
        BatchUi quiet;
        writeExcelFile(t, quiet, r, {1, 3, true}, Path);
        for (std::size_t i = 0; i < full.lines.size(); ++i)
            if (full.lines[i].find(needle) != std::string::npos) return static_cast<int>(i) + 1;
        return 0;
    }

    BatchUi ui;
    TableState t;
    ServerRegistry registry;
    CallRecord record;
};

TEST_F(ExcelOutputTest, NoItemCheckedGivesTitleSpeciesNumbersThenSpecies) {
    write();
    Lines expected = join({
        Opening,
        text(1, 1, "T"),
        text(2, 1, sj("出現種数")),
        text(2, 3, "   1"),
        text(2, 4, "   0"),
        text(2, 5, "   2"),
        // Layers 1 and 5 in use; the empty relevé shows code 0 in both.
        text(3, 1, "Abies firma"),
        top(3, 1),
        text(3, 2, "'T1\\nH1"),
        text(3, 3, "'2.3\\n1.0"),
        centred(3, 3),
        text(3, 4, "' . \\n . "),
        centred(3, 4),
        text(3, 5, "' . \\n + "),
        centred(3, 5),
        text(3, 6, "  67"),
        centred(3, 6),
        // A comment row: its text, empty cells, frequency 0.
        text(4, 1, "-- comment --"),
        top(4, 1),
        text(4, 2, ""),
        text(4, 3, ""),
        centred(4, 3),
        text(4, 4, ""),
        centred(4, 4),
        text(4, 5, ""),
        centred(4, 5),
        text(4, 6, "   0"),
        centred(4, 6),
        // Present in one relevé, but no code above 1: no layer in use.
        text(5, 1, "Carex"),
        top(5, 1),
        text(5, 2, ""),
        text(5, 3, ""),
        centred(5, 3),
        text(5, 4, ""),
        centred(5, 4),
        text(5, 5, ""),
        centred(5, 5),
        text(5, 6, "  33"),
        centred(5, 6),
        Closing,
    });
    EXPECT_EQ(record.lines, expected);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.panelLabels, Lines{sj("エクセル形式データに変換中")});
    EXPECT_FALSE(ui.panelShown);
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(ui.progressBar2().max(), t.model.freqRow() + 3);
    EXPECT_EQ(ui.progressBar2().position(), t.model.freqRow() + 3);
}

TEST_F(ExcelOutputTest, RunningNumbersAndCheckedItemsComeBeforeTheSpeciesNumbers) {
    t.print.PrintItemBoxes[1].checked = true;
    t.print.PrintItemBoxes[2].checked = true;  // relevé number, 8 bytes
    t.print.PrintItemBoxes[8].checked = true;  // altitude, 4 bytes
    t.print.PrintItemBoxes[4].checked = true;  // checked but not enabled: no row
    setHeader(t, 1, 2, " 101    ");
    setHeader(t, 3, 2, "'12");
    setHeader(t, 2, 8, " 850");
    write({2, 1, false});  // an empty range
    Lines expected = join({
        Opening,
        text(1, 1, "T"),
        text(2, 1, sj("表の通し番号")),
        number(2, 3, 1),
        number(2, 4, 2),
        number(2, 5, 3),
        text(3, 1, sj("測定番号")),
        text(3, 3, "' 101    "),  // an identifier: text whatever it reads as
        text(3, 4, "'"),
        text(3, 5, "''12"),  // its own apostrophe is kept
        text(4, 1, sj("調査地標高(m)")),
        text(4, 3, ""),
        text(4, 4, " 850"),
        text(4, 5, ""),
        text(5, 1, sj("出現種数")),
        text(5, 3, "   1"),
        text(5, 4, "   0"),
        text(5, 5, "   2"),
        Closing,
    });
    EXPECT_EQ(record.lines, expected);
}

// The saved sheet as its XML holds it: identifiers text, measures numbers; for
// analysis one row per layer in use, bare codes, absent species no cell.
TEST_F(ExcelOutputTest, TheSavedSheetKeepsIdentifiersAsTextAndTheCleanSheetBareCodes) {
    t.print.PrintItemBoxes[2].checked = true;
    t.print.PrintItemBoxes[8].checked = true;
    setHeader(t, 1, 2, "007");
    setHeader(t, 3, 2, "0.50");
    setHeader(t, 2, 8, " 850");
    const SheetCells head = {
        {"A1", {'s', "T"}},
        {"A2", {'s', "測定番号"}},
        {"C2", {'s', "007"}},
        {"E2", {'s', "0.50"}},
        {"A3", {'s', "調査地標高(m)"}},
        {"D3", {'n', "850"}},
        {"A4", {'s', "出現種数"}},
        {"C4", {'n', "1"}},
        {"D4", {'n', "0"}},
        {"E4", {'n', "2"}},
    };
    struct Case {
        bool clean;
        SheetCells species;
    };
    const Case cases[] = {
        {false,
         {{"A5", {'s', "Abies firma"}},
          {"B5", {'s', "T1\nH1"}},
          {"C5", {'s', "2.3\n1.0"}},
          {"D5", {'s', " . \n . "}},
          {"E5", {'s', " . \n + "}},
          {"F5", {'n', "67"}},
          {"A6", {'s', "-- comment --"}},
          {"F6", {'n', "0"}},
          {"A7", {'s', "Carex"}},
          {"F7", {'n', "33"}}}},
        {true,
         {{"A5", {'s', "Abies firma"}},
          {"B5", {'s', "T1"}},
          {"C5", {'s', "2.3"}},
          {"F5", {'n', "67"}},
          {"A6", {'s', "Abies firma"}},
          {"B6", {'s', "H1"}},
          {"C6", {'s', "1.0"}},
          {"E6", {'s', "+"}},
          {"F6", {'n', "67"}},
          {"A7", {'s', "-- comment --"}},
          {"F7", {'n', "0"}},
          {"A8", {'s', "Carex"}},
          {"F8", {'n', "33"}}}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        ServerRegistry servers;
        addWorkbookServer(servers, dir.path().string());
        ExcelOutputOptions o{1, 3, true};
        o.clean = c.clean;
        const std::string path = dir.file("out.xlsx");
        writeExcelFile(t, ui, servers, o, path);
        SheetCells want = head;
        want.insert(c.species.begin(), c.species.end());
        EXPECT_EQ(sheetCells(path), want) << c.clean;
    }
}

TEST_F(ExcelOutputTest, RangeIsClippedToTheTable) {
    write({0, 999, false});
    auto names = std::count_if(record.lines.begin(), record.lines.end(), [](const auto& l) {
        return l.find("): put VerticalAlignment") != std::string::npos;
    });
    EXPECT_EQ(names, 3);
}

TEST_F(ExcelOutputTest, TableWithoutRelevesGetsFrequencyZero) {
    startBlankTable(t, ui);
    for (auto& box : t.print.PrintItemBoxes) box.checked = false;
    t.model.setTitle("T");
    addTableRow(t, "Abies");
    write();
    Lines tail(record.lines.end() - 3 - 6, record.lines.end() - 3);
    EXPECT_EQ(tail, join({text(3, 2, ""), text(3, 3, "   0"), centred(3, 3)}));
}

// A refused call stops the filling with an error; the workbook is closed
// unsaved and the server quit, for every object that came to exist.
TEST_F(ExcelOutputTest, RefusedCallStopsFillingClosesUnsavedAndFails) {
    struct Case {
        int refuse;
        Lines after;
    };
    const Lines unsaved = {Closing[1], Closing[2]};
    const int cellCall = callNumber("Cells(3,2): put Value");
    ASSERT_GT(cellCall, 4);
    const Case cases[] = {
        {1, {}},
        {2, {"Excel.Application: method Quit()"}},
        {3, {"Excel.Application: method Quit()"}},
        {4, unsaved},
        {cellCall, unsaved},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refuse);
        record = CallRecord{};
        record.refuseCall = c.refuse;
        ui.messages.clear();
        try {
            write();
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(sj("MS Excelへ書き込めませんでした"), 0), 0u);
        }
        ASSERT_GE(record.lines.size(), static_cast<std::size_t>(c.refuse));
        EXPECT_NE(record.lines[c.refuse - 1].find("<- refused"), std::string::npos);
        Lines after(record.lines.begin() + c.refuse, record.lines.end());
        EXPECT_EQ(after, c.after);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_FALSE(ui.panelShown);
    }
}

TEST_F(ExcelOutputTest, RefusedClosingCallIsReportedAfterTheOthers) {
    record.refuseCall = callNumber("SaveAs");
    EXPECT_THROW(write(), Error);
    Lines last(record.lines.end() - 3, record.lines.end());
    EXPECT_EQ(last, (Lines{Closing[0] + "  <- refused", Closing[1], Closing[2]}));
    EXPECT_TRUE(ui.messages.empty());
}

// A slot that is no number (only a broken table has one) stops the recount
// the output starts with, before any server is asked for anything.
TEST_F(ExcelOutputTest, ABrokenSlotIsRefusedBeforeTheServerStarts) {
    testing::editGrid(
        t.model, [&](Grid& g) { g.setCell(TableLayout::releveCol(2), TableLayout::SlotRow, "x"); });
    EXPECT_THROW(write(), Error);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(record.lines.empty());
    EXPECT_FALSE(ui.panelShown);
}

// A server that cannot start, and a table wider or longer than a worksheet
// (refused before any call), fail and keep an older file of the name.
TEST_F(ExcelOutputTest, FailuresKeepAnExistingFile) {
    TempDir dir;
    std::string path = dir.file("old.xlsx");
    std::ofstream(path) << "old workbook";
    ServerRegistry none;
    EXPECT_THROW(writeExcelFile(t, ui, none, {1, 3, false}, path), Error);
    struct Case {
        std::int32_t releves;
        bool frequency;
        bool refused;
    } cases[] = {{16382, false, false}, {16382, true, true}, {17000, false, true}};
    const std::int32_t releves = t.model.releveCount(), species = t.model.speciesCount();
    for (const Case& c : cases) {
        // Only the counts decide.
        testing::editFields(t.model, [&](TableFields& f) { f.releveCount = c.releves; });
        bool refused = false;
        try {
            checkSheetLimits(t, {1, 3, c.frequency});
        } catch (const Error& e) {
            refused = std::string(e.what()).find("16,384") != std::string::npos;
        }
        EXPECT_EQ(refused, c.refused) << c.releves;
    }
    // With the title and species-number rows: one too many.
    testing::editFields(t.model, [&](TableFields& f) {
        f.releveCount = releves;
        f.speciesCount = 1048576 - 1;
    });
    EXPECT_THROW(checkSheetLimits(t, {1, 1048576, false}), Error);
    EXPECT_NO_THROW(checkSheetLimits(t, {2, 1048576, false}));
    testing::editFields(t.model, [&](TableFields& f) { f.speciesCount = species; });
    for (int j = 0; j < 17000; ++j) addReleveColumn(t);
    record = CallRecord{};
    EXPECT_THROW(writeExcelFile(t, ui, registry, {1, 3, false}, path), Error);
    EXPECT_TRUE(record.lines.empty());
    std::ifstream in(path);
    std::string kept((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(kept, "old workbook");
}

TEST(PercentText, RoundsHalfToEvenRightAligned) {
    struct Case {
        int freq, nr;
        const char* text;
    } cases[] = {{3, 8, "  38"},   {5, 8, "  62"},   {1, 3, "  33"}, {2, 3, "  67"},
                 {1, 200, "   0"}, {3, 200, "   2"}, {8, 8, " 100"}, {0, 0, "   0"}};
    for (const Case& c : cases)
        EXPECT_EQ(percentText(c.freq, c.nr), c.text) << c.freq << "/" << c.nr;
}

}  // namespace
}  // namespace tamsel
