#include "app/session/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include "app/session/compose_commands.h"
#include "compose/add_releve.h"

#include "io/safe_file.h"
#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
#include "support/table_fields.h"
#include "support/temp_dir.h"
#include "tablefile/table_file.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::TempDir;
using testing::writeBytes;

// Lines 1..31 of a settings file (Shift-JIS): every item box on, captions "item n".
std::vector<std::string> settingsLines(const std::string& title = "My title") {
    std::vector<std::string> l{title, "xx" + sj("通し番号")};
    for (int n = 2; n <= 30; ++n) l.push_back("1 item " + std::to_string(n));
    return l;
}

std::string joined(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
    std::string s;
    for (const auto& l : lines) s += l + end;
    return s;
}

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { FormCreate(s, ui, {}, false); }
    // Writes the file and reads it.
    void read(const std::string& bytes, const std::string& name = "a.ini") {
        writeBytes(dir.file(name), bytes);
        ReadSettingsFile(s, ui, dir.file(name));
    }
    std::string errorOf(const std::string& bytes) {
        try {
            read(bytes);
        } catch (const Error& e) {
            return e.what();
        }
        ADD_FAILURE() << "accepted";
        return {};
    }
    TempDir dir;
    Session s;
    BatchUi ui;
};

TEST_F(SettingsTest, ThirtyOneLinesSetTitleCaptionsAndStatesOnly) {
    auto lines = settingsLines();
    lines[2] = "0 no row";  // ChkBox2
    lines[30] = "1x" + sj("出現種数");
    for (const char* end : {"\r\n", "\n", "\r"}) {
        read(joined(lines, end));
        const TableState& t = s.table;
        EXPECT_EQ(t.model.title(), "My title");
        EXPECT_EQ(t.print.PrintItemBoxes[1].caption, sj("通し番号"));
        EXPECT_FALSE(t.print.PrintItemBoxes[2].enabled);
        EXPECT_FALSE(t.print.PrintItemBoxes[2].checked);
        EXPECT_EQ(t.print.PrintItemBoxes[2].caption, "no row");
        EXPECT_TRUE(t.print.PrintItemBoxes[4].enabled && t.print.PrintItemBoxes[4].checked);
        EXPECT_EQ(t.print.PrintItemBoxes[17].caption, "item 17");
        EXPECT_EQ(t.print.PrintItemBoxes[30].caption, sj("出現種数"));
        EXPECT_EQ(t.files.OpenDialogFolder, "");
        EXPECT_EQ(t.files.DictionaryFileName, "");
        EXPECT_EQ(t.files.DictionaryStatus, sj("辞書なし"));
    }
    ClearTable(s.table, ui);
    EXPECT_EQ(s.table.model.freqRow(), 30);  // 28 of the 29 item boxes on
}

TEST_F(SettingsTest, FolderAndDictionaryLines) {
    writeBytes(dir.file("names.dic"), "Fagus,Fagus crenata\r\n");
    auto lines = settingsLines();
    lines.push_back("#D C:\\data\\veg\\plots.rli");
    lines.push_back("just a comment");
    lines.push_back("names.DIC");  // upper case: no dictionary line
    read(joined(lines));
    EXPECT_EQ(s.table.files.OpenDialogFolder, "C:/data/veg/");
    EXPECT_EQ(s.table.files.DictionaryFileName, "");

    // A relative name is found beside the settings file.
    lines.push_back("names.dic");
    read(joined(lines));
    EXPECT_EQ(s.table.files.DictionaryFileName, "names.dic");
    EXPECT_EQ(s.table.files.DictionaryStatus, sj("辞書＝") + "names.dic");
    EXPECT_EQ(s.dictionary.OldNames, std::vector<std::string>{"Fagus"});
    const std::string caption = captionOf(s.table);
    EXPECT_EQ(caption.substr(caption.size() - 15), sj("辞書＝") + "names.dic");

    // A "#D" line naming a dictionary sets the folder and hands the whole line on.
    lines.push_back("#D C:\\dic\\names.dic");
    read(joined(lines));
    EXPECT_EQ(s.table.files.OpenDialogFolder, "C:/dic/");
    EXPECT_EQ(s.table.files.DictionaryFileName, "#D C:\\dic\\names.dic");
    EXPECT_EQ(s.table.files.DictionaryStatus, sj("辞書＝") + "names.dic");  // not found: unchanged
}

TEST_F(SettingsTest, ARelativeFolderBelongsToTheSettingsFile) {
    struct Case {
        const char* line;
        std::string folder;
    } cases[] = {
        {"#D ./plots.rli", dir.file("")},
        {"#D data\\plots.rli", dir.file("data/")},
        {"#D ../up/plots.rli", (std::filesystem::path(dir.file("")) / "../up/").lexically_normal()},
        {"#D /abs/plots.rli", "/abs/"},
    };
    for (const Case& c : cases) {
        auto lines = settingsLines();
        lines.push_back(c.line);
        read(joined(lines));
        EXPECT_EQ(s.table.files.OpenDialogFolder, c.folder) << c.line;
    }
    // The add dialog starts there.
    ui.fileAnswers.push_back(std::nullopt);
    Item_AddReleveClick(s.table, s.addPanel, ui);
    EXPECT_EQ(ui.dialogs.back().initialDir, "/abs/");
}

TEST_F(SettingsTest, FolderPartStepsOverKanjiWhoseTrailByteIsABackslash) {
    // 表 is 0x95 0x5C: its second byte must not end the folder.
    EXPECT_EQ(settingsFolderPart(sj("D:\\植生表\\a.rli")), "D:/植生表/");
    EXPECT_EQ(settingsFolderPart(sj("植生表")), "");
    EXPECT_EQ(settingsFolderPart("C:plots.rli"), "C:");
    EXPECT_EQ(settingsFolderPart("/home/me/veg/a.rli"), "/home/me/veg/");
}

TEST_F(SettingsTest, AnEmptyFirstLineGivesAnEmptyTitle) {
    read(joined(settingsLines("")));
    RefreshCaption(s.table, ui);
    EXPECT_EQ(ui.caption.rfind("  NR=", 0), 0u);
}

TEST_F(SettingsTest, BadFilesNameTheLineAndChangeNothing) {
    auto lines = settingsLines("Short");
    lines.resize(20);
    std::string msg = errorOf(joined(lines));
    EXPECT_NE(msg.find("a.ini"), std::string::npos);
    EXPECT_NE(msg.find(sj(" 21 行目")), std::string::npos) << toUtf8(msg);
    EXPECT_EQ(s.table.model.title(), sj("森林群落組成表"));
    EXPECT_EQ(s.table.print.PrintItemBoxes[1].caption, sj("表の通し番号"));
    EXPECT_EQ(s.table.print.PrintItemBoxes[19].caption, sj("低木層２高さ（m）"));
    EXPECT_FALSE(s.table.print.PrintItemBoxes[4].enabled);

    struct Case {
        std::string bytes, line;
    } cases[] = {
        {"", ""},
        {"only a title\r\n", " 2 "},
        {[] {
             auto l = settingsLines();
             l[9] = "";
             return joined(l);
         }(),
         " 10 "},
        {joined(settingsLines("森林")), " 1 "},  // UTF-8, not Shift-JIS
        {[] {
             auto l = settingsLines();
             l[5] = "1 \x81";  // a lead byte with nothing after it
             return joined(l);
         }(),
         " 6 "},
    };
    for (const auto& c : cases) {
        std::string m = errorOf(c.bytes);
        EXPECT_NE(m.find("a.ini"), std::string::npos) << toUtf8(m);
        EXPECT_NE(m.find(c.line), std::string::npos) << toUtf8(m);
    }
    EXPECT_THROW(ReadSettingsFile(s, ui, dir.file("missing.ini")), Error);
    // The bytes alone, named as the caller says.
    try {
        parseSettingsFile("title\r\n", "memory.ini");
        ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("memory.ini"), std::string::npos) << e.what();
    }
}

// The cover values written by the dialog into a settings file come back when it
// is read; the file's other lines stay; a second write replaces the "#C" lines.
TEST_F(SettingsTest, CoverValuesRoundTripThroughTheSettingsFile) {
    const std::string sample = readWholeFile(std::string(TAMSEL_SAMPLE_DIR) + "/sample.ini");
    const SettingsFile old = parseSettingsFile(sample, "sample.ini");
    EXPECT_EQ(old.coverValues, CoverValues{});  // an old file: the mid-points

    struct Case {
        std::vector<std::string> typed;  // r, +, 1..5, layers
        std::array<double, 7> percent;
        LayerMerge merge;
    } cases[] = {
        {{"0.5", "1", "3", "17.5", "40", "65", "92.25", "independent"},
         {0.5, 1, 3, 17.5, 40, 65, 92.25},
         LayerMerge::Independent},
        {{" 0 ", "0.1", "2.5", "15", "37.5", "62.5", "100", "sum"},
         {0, 0.1, 2.5, 15, 37.5, 62.5, 100},
         LayerMerge::Sum},
    };
    writeBytes(dir.file("mine.ini"), sample);
    for (const Case& c : cases) {
        BatchUi::FieldsAnswer answer(c.typed.begin(), c.typed.end());
        ui.fieldsAnswers.push_back(answer);
        ui.fileAnswers.push_back(dir.file("mine.ini"));
        Item_CoverValuesClick(s, ui);
        EXPECT_EQ(s.table.layerMerge, c.merge);
        const std::string written = readWholeFile(dir.file("mine.ini"));
        EXPECT_EQ(written.substr(0, sample.size()), sample);  // every line kept as it was
        std::size_t lines = 0;
        for (std::size_t at = 0; (at = written.find("\r\n#C ", at)) != std::string::npos; ++at)
            ++lines;
        EXPECT_EQ(lines, 7u);
        s.table.coverValues = CoverValues{};
        ReadSettingsFile(s, ui, dir.file("mine.ini"));
        EXPECT_EQ(s.table.coverValues.percent, c.percent);
        const SettingsFile again = parseSettingsFile(written, "mine.ini");
        EXPECT_EQ(again.title, old.title);
        ASSERT_EQ(again.extras.size(), old.extras.size());
        for (std::size_t k = 0; k < old.extras.size(); ++k)
            EXPECT_EQ(again.extras[k].dictionary, old.extras[k].dictionary);
    }
    // A new file from the session's settings; a value out of range refuses.
    ui.fieldsAnswers.push_back(BatchUi::FieldsAnswer{std::string("1")});
    ui.fileAnswers.push_back(dir.file("new.ini"));
    Item_CoverValuesClick(s, ui);
    EXPECT_EQ(
        parseSettingsFile(readWholeFile(dir.file("new.ini")), "new.ini").coverValues.percent[0],
        1.0);
    ui.fieldsAnswers.push_back(BatchUi::FieldsAnswer{std::string("101")});
    EXPECT_THROW(Item_CoverValuesClick(s, ui), Error);
    auto lines = settingsLines();
    for (const char* bad : {"#C x 5", "#C 2", "#C 2 -1", "#C + 1e2"}) {
        lines.resize(31);
        lines.push_back(bad);
        EXPECT_NE(errorOf(joined(lines)).find(sj(" 32 行目")), std::string::npos) << bad;
    }
}

TEST_F(SettingsTest, ReadingFromTheMenuBlanksTheTableButNotAfterAFailure) {
    writeBytes(dir.file("good.ini"), joined(settingsLines()));
    writeBytes(dir.file("bad.ini"), "title only\r\n");
    testing::editFields(s.table.model, [](TableFields& f) { f.releveCount = 1; });
    s.table.model.setCell(4, 2, "kept");

    ui.fileAnswers.push_back(dir.file("bad.ini"));
    EXPECT_THROW(ItemReadINIClick(s, ui), Error);
    EXPECT_EQ(s.table.model.releveCount(), 1);
    EXPECT_EQ(s.table.model.cell(4, 2), "kept");
    EXPECT_EQ(ui.dialogs.back().filterIndex, 5);
    EXPECT_EQ(ui.dialogs.back().fileName, "*.ini");

    ItemReadINIClick(s, ui);  // cancelled
    EXPECT_EQ(s.table.model.releveCount(), 1);

    ui.fileAnswers.push_back(dir.file("good.ini"));
    ItemReadINIClick(s, ui);
    EXPECT_EQ(s.table.model.releveCount(), 0);
    EXPECT_EQ(s.table.model.cell(4, 2), "");
    EXPECT_EQ(s.table.model.freqRow(), 31);
    EXPECT_EQ(s.table.model.cell(2, 30), "item 30");
    EXPECT_EQ(s.table.print.LayerLabels[2], "S1");  // only start-up looks at ChkBox19
}

// A file that switches every item on and fails at line 20, read from the menu,
// must leave no trace: the next add builds the same table as without it.
TEST_F(SettingsTest, AFileFailingAtLine20LeavesTheNextAddAsWithoutIt) {
    const std::string base = dir.file("veg");
    testing::ReleveIn r;
    r.releveNumber = "R1";
    r.siteName = "Site";
    r.gridCode = "5235";
    r.fours[0] = "820";
    r.species = {{"Fagus", "        3     "}, {"Sasa", "        5     "}};
    testing::ReleveIn r2 = r;
    r2.releveNumber = "R2";
    r2.species = {{"Quercus", "    2         "}, {"Fagus", "        +     "}};
    testing::writeDataFilePair(base, {r, r2});
    auto add = [&](Session& session, BatchUi& u) {
        u.fileAnswers.push_back(base + ".rli");
        Item_AddReleveClick(session.table, session.addPanel, u);
        AddbyRecordBtnClick(session.table, session.dictionary, session.addPanel, u);
    };

    Session plain;
    BatchUi plainUi;
    FormCreate(plain, plainUi, {}, false);
    add(plain, plainUi);

    auto lines = settingsLines("Broken");  // every box on: FreqRow would be 31
    lines[19] = "";                        // line 20
    writeBytes(dir.file("broken.ini"), joined(lines));
    ui.fileAnswers.push_back(dir.file("broken.ini"));
    EXPECT_THROW(ItemReadINIClick(s, ui), Error);
    add(s, ui);

    EXPECT_EQ(s.table.model.freqRow(), 28);
    EXPECT_EQ(s.table.model.freqRow(), plain.table.model.freqRow());
    for (int n = 1; n <= PrintItemCount; ++n) {
        EXPECT_EQ(s.table.print.PrintItemBoxes[n].enabled,
                  plain.table.print.PrintItemBoxes[n].enabled)
            << n;
        EXPECT_EQ(s.table.print.PrintItemBoxes[n].caption,
                  plain.table.print.PrintItemBoxes[n].caption)
            << n;
    }
    EXPECT_EQ(s.table.model.title(), plain.table.model.title());
    EXPECT_EQ(s.table.model.speciesCount(), 3);
    EXPECT_EQ(s.table.model.releveCount(), 2);
    ASSERT_EQ(s.table.model.grid().rowCount(), plain.table.model.grid().rowCount());
    for (int row = 0; row < s.table.model.grid().rowCount(); ++row)
        EXPECT_EQ(s.table.model.rowTexts(row), plain.table.model.rowTexts(row)) << row;
    EXPECT_EQ(s.table.model.cell(2, 29), "Fagus");  // a species row, not a header row
}

TEST_F(SettingsTest, StartUpOpensATableFileGivenBesideTheSettingsFile) {
    writeBytes(dir.file("start.ini"), joined(settingsLines("From settings")));
    s.table.model.setTitle("Saved table");
    saveTableFile(s.table, dir.file("t.VTB"));
    for (const auto& args : {std::vector<std::string>{dir.file("t.VTB")},
                             std::vector<std::string>{dir.file("t.VTB"), dir.file("start.ini")}}) {
        Session opened;
        BatchUi uiB;
        FormCreate(opened, uiB, args, false);
        EXPECT_EQ(opened.table.model.title(), "Saved table");
        EXPECT_FALSE(opened.table.changed());
        EXPECT_EQ(opened.table.print.PrintItemBoxes[2].caption,
                  sj(args.size() == 1 ? "測定番号" : "item 2"));
        EXPECT_TRUE(uiB.messages.empty());
    }
}

TEST_F(SettingsTest, StartUpReadsTheFirstArgumentAndFallsBackToTheDefaults) {
    auto lines = settingsLines("Start");
    lines[19] = "0 off";  // ChkBox19
    writeBytes(dir.file("start.ini"), joined(lines));
    Session a;
    BatchUi uiA;
    FormCreate(a, uiA, {dir.file("start.ini")}, false);
    EXPECT_TRUE(uiA.messages.empty());
    EXPECT_EQ(captionOf(a.table), "Start  NR=0, NS=0    " + sj("辞書なし"));
    EXPECT_EQ(a.table.model.freqRow(), 30);
    EXPECT_EQ(a.table.print.LayerLabels[2], " S");
    EXPECT_EQ(a.table.print.LayerLabels[4], " H");

    auto cut = lines;
    cut.resize(25);
    writeBytes(dir.file("cut.ini"), joined(cut));
    Session b;
    BatchUi uiB;
    try {
        FormCreate(b, uiB, {dir.file("cut.ini")}, false);
        ADD_FAILURE() << "no error";
    } catch (const StartUpError& e) {
        EXPECT_TRUE(e.settingsFailed);
        EXPECT_NE(std::string(e.what()).find("cut.ini"), std::string::npos);
    }
    EXPECT_TRUE(uiB.messages.empty());
    EXPECT_EQ(b.table.model.title(), sj("森林群落組成表"));
    EXPECT_EQ(b.table.print.PrintItemBoxes[3].caption, sj("調査地名"));
    EXPECT_FALSE(b.table.print.PrintItemBoxes[4].enabled);
    EXPECT_EQ(b.table.model.freqRow(), 28);
    EXPECT_EQ(b.table.model.grid().rowCount(), 127 + 32);
    EXPECT_EQ(b.table.model.cell(0, 29), "1");
}

TEST_F(SettingsTest, HelpAndAbout) {
    s.programPath = "/opt/tamsel/bin/tamsel";
    Item_ManualClick(s, ui);
    ASSERT_EQ(ui.helpShown.size(), 1u);
    EXPECT_EQ(ui.helpShown[0], "/opt/tamsel/bin/tamsel.hlp");
    Item_VersionClick(ui);
    EXPECT_EQ(ui.aboutShown, 1);
}

}  // namespace
}  // namespace tamsel
