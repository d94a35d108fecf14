#include "compose/add_turboveg.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <new>

#include "compose/dictionary.h"
#include "compose/failing_allocation.h"
#include "platform/batch/batch_ui.h"
#include "platform/error.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::TempDir;

// A plot package: plots (each a <Plot> element) and a species list after them,
// with a Braun-Blanquet scale "02" and a percentage scale "00" before them.
std::string package(const std::string& plots, const std::string& encoding = "UTF-8") {
    return "<?xml version=\"1.0\" encoding=\"" + encoding +
           "\"?>\n"
           "<Plot_package>\n"
           "<Lookup_tables><Coverscale_list>\n"
           "<coverscale_record code=\"02\" description=\"Braun/Blanquet (new)\">\n"
           "<data_record code=\"r\" percentage=\"1\"/><data_record code=\"+\" percentage=\"2\"/>\n"
           "<data_record code=\"1\" percentage=\"3\"/><data_record code=\"2m\" percentage=\"4\"/>\n"
           "<data_record code=\"2a\" percentage=\"8\"/><data_record code=\"2b\" "
           "percentage=\"18\"/>\n"
           "<data_record code=\"3\" percentage=\"38\"/><data_record code=\"4\" "
           "percentage=\"63\"/>\n"
           "<data_record code=\"5\" percentage=\"88\"/>\n"
           "</coverscale_record>\n"
           // Turboveg's own export writes the code and description as elements.
           "<coverscale_record><code>00</code><description>Percentage %</description>\n"
           "<data_record code=\"x\" percentage=\"0.5\"/><data_record code=\"m\" "
           "percentage=\"4\"/>\n"
           "</coverscale_record>\n"
           "</Coverscale_list></Lookup_tables>\n"
           "<Plots>\n" +
           plots +
           "</Plots>\n"
           "<Lookup_tables><Species_list>\n"
           "<species_record nr=\"1\" name=\"Fagus crenata\"/>\n"
           "<species_record nr=\"2\" name=\"Sasa kurilensis\"/>\n"
           "</Species_list></Lookup_tables>\n"
           "</Plot_package>\n";
}

std::string plot(const std::string& header, const std::string& species,
                 const std::string& scale = "02") {
    return "<Plot><header_data><standard_record coverscale=\"" + scale + "\" " + header +
           "/></header_data>\n<species_data>\n" + species + "</species_data></Plot>\n";
}

std::string sp(int nr, const std::string& cover, const std::string& layer) {
    return "<species><standard_record nr=\"" + std::to_string(nr) + "\" cover=\"" + cover +
           "\" layer=\"" + layer + "\"/></species>\n";
}

class AddTurbovegTest : public ::testing::Test {
  protected:
    void SetUp() override { startBlankTable(t, ui); }
    void add(const std::string& bytes) {
        const std::string path = dir.file("plots.xml");
        testing::writeBytes(path, bytes);
        addTurbovegFile(t, d, ui, path);
    }
    // The row of a species name (Shift-JIS), 0 when there is none.
    int rowOf(const std::string& name) const {
        const TableLayout layout = layoutOf(t);
        for (int i = 1; i <= t.model.speciesCount(); ++i)
            if (t.model.cell(TableLayout::NameCol, layout.speciesRow(i)) == name)
                return layout.speciesRow(i);
        return 0;
    }
    LayerCodes codes(int j, const std::string& name) const {
        const int row = rowOf(name);
        EXPECT_NE(row, 0) << name;
        return row ? t.model.codesAt(TableLayout::releveCol(j), row) : LayerCodes{};
    }
    std::string header(int j, int item) const {
        return t.model.cell(TableLayout::releveCol(j), layoutOf(t).itemRow(item));
    }
    // Every cell, count and code: what a failed or cancelled add must give back.
    static std::string dump(const TableState& t) {
        std::string s = std::to_string(t.model.releveCount()) + " " +
                        std::to_string(t.model.speciesCount()) + " " +
                        std::to_string(t.model.releveCapacity()) + " " +
                        std::to_string(t.model.plantCapacity()) + " " +
                        std::to_string(t.model.freqRow()) + "\n";
        for (int r = 0; r < t.model.grid().rowCount(); ++r)
            for (int c = 0; c < t.model.grid().colCount(); ++c) s += t.model.cell(c, r) + "|";
        const TableLayout layout = layoutOf(t);
        for (int j = 1; j <= t.model.releveCount(); ++j)
            for (int i = 1; i <= t.model.speciesCount(); ++i)
                for (CoverCode c : t.model.codesAt(TableLayout::releveCol(j), layout.speciesRow(i)))
                    s += std::to_string(c) + ",";
        return s;
    }
    // Plots 2 to last, each with a species of its own, so that both the columns
    // and the rows grow.
    static std::string growingPlots(int last) {
        std::string plots;
        for (int k = 2; k <= last; ++k)
            plots += plot("releve_nr=\"" + std::to_string(k) + "\"",
                          sp(k, "+", "6") + sp(100 + k, "1", "6"));
        return plots;
    }

    TempDir dir;
    TableState t;
    BatchUi ui;
    ReplaceName d;
};

constexpr int T1 = 0, T2 = 1, S1 = 2, S2 = 3, H1 = 4, H2 = 5, M = 6;

TEST_F(AddTurbovegTest, CoverTextsBecomeCodesThroughEitherKindOfScale) {
    struct Case {
        const char* scale;
        const char* cover;
        CoverCode code;
    };
    // Braun-Blanquet by symbol; any other scale by the code's percentage, a number
    // missing from the list being its own.
    const Case cases[] = {
        {"02", "r", 6},  {"02", "+", 7},     {"02", "1", 10},  {"02", "2m", 20}, {"02", "2b", 20},
        {"02", "5", 50}, {"00", "x", 7},     {"00", "m", 10},  {"00", "0.1", 6}, {"00", "4.9", 10},
        {"00", "5", 20}, {"00", "24.9", 20}, {"00", "25", 30}, {"00", "74", 40}, {"00", "75", 50},
    };
    std::string plots;
    for (const Case& c : cases) plots += plot("", sp(1, c.cover, "6"), c.scale);
    add(package(plots));
    ASSERT_EQ(t.model.releveCount(), static_cast<std::int32_t>(std::size(cases)));
    for (int j = 1; j <= t.model.releveCount(); ++j) {
        const Case& c = cases[j - 1];
        LayerCodes want{};
        want[H1] = c.code;
        EXPECT_EQ(codes(j, "Fagus crenata"), want) << c.scale << " " << c.cover;
    }
}

TEST_F(AddTurbovegTest, LayersMapAndRecordsOnOneLayerKeepTheHigherCode) {
    // Turboveg layers 0 and 6 both land on H1, 7 and 8 on H2, "-" on H1.
    add(package(plot("releve_nr=\"7\"", sp(1, "+", "1") + sp(2, "1", "6") + sp(1, "3", "2") +
                                            sp(1, "r", "3") + sp(1, "2a", "4") + sp(1, "+", "5") +
                                            sp(1, "4", "0") + sp(1, "r", "6") + sp(1, "1", "8") +
                                            sp(1, "+", "7") + sp(1, "5", "9") + sp(2, "+", "-"))));
    ASSERT_EQ(t.model.releveCount(), 1);
    // One entry per species, in the order of its first record.
    EXPECT_EQ(t.model.speciesCount(), 2);
    EXPECT_EQ(rowOf("Fagus crenata"), layoutOf(t).speciesRow(1));
    LayerCodes fagus{};
    fagus[T1] = 7, fagus[T2] = 30, fagus[S1] = 20, fagus[S2] = 7, fagus[H1] = 40, fagus[H2] = 10;
    fagus[M] = 50;
    EXPECT_EQ(codes(1, "Fagus crenata"), fagus);
    LayerCodes sasa{};
    sasa[H1] = 10;
    EXPECT_EQ(codes(1, "Sasa kurilensis"), sasa);
    EXPECT_EQ(header(1, 30), "   2");  // the species number
}

TEST_F(AddTurbovegTest, EachTurbovegLayerLandsOnItsOwnLayer) {
    // Turboveg's layers: 1 to 3 trees high, middle, low; 4 and 5 shrubs high and
    // low; 6 herbs; 7 juveniles; 8 seedlings; 9 mosses; 0 (and no digit) none given.
    struct Case {
        const char* layer;
        const char* cover;
        int lands;
        CoverCode code;
    } const cases[] = {
        {"1", "5", T1, 50}, {"2", "4", T2, 40}, {"3", "3", T2, 30}, {"4", "2a", S1, 20},
        {"5", "1", S2, 10}, {"6", "+", H1, 7},  {"7", "r", H2, 6},  {"8", "2m", H2, 20},
        {"9", "2b", M, 20}, {"0", "1", H1, 10}, {"-", "+", H1, 7},
    };
    std::string species;
    for (std::size_t k = 0; k < std::size(cases); ++k)
        species += sp(static_cast<int>(10 + k), cases[k].cover, cases[k].layer);
    add(package(plot("releve_nr=\"1\"", species)));
    ASSERT_EQ(t.model.releveCount(), 1);
    ASSERT_EQ(t.model.speciesCount(), static_cast<std::int32_t>(std::size(cases)));
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        LayerCodes want{};
        want[static_cast<std::size_t>(cases[k].lands)] = cases[k].code;
        EXPECT_EQ(codes(1, "Turboveg nr " + std::to_string(10 + k)), want)
            << "layer " << cases[k].layer;
    }
}

TEST_F(AddTurbovegTest, APercentageScaleWithCodesLikeBraunBlanquetSymbolsGoesByPercentage) {
    // Only a scale whose every code is a Braun-Blanquet symbol is read as one.
    std::string file = package(plot("releve_nr=\"1\"",
                                    sp(10, "r", "6") + sp(11, "1", "6") + sp(12, "2", "6") +
                                        sp(13, "5", "6") + sp(14, "10", "6"),
                                    "03"));
    file.insert(file.find("</Coverscale_list>"),
                "<coverscale_record code=\"03\" description=\"Percentage r,1,2,5,10\">\n"
                "<data_record code=\"r\" percentage=\"0.5\"/><data_record code=\"1\" "
                "percentage=\"1\"/>\n<data_record code=\"2\" percentage=\"2\"/><data_record "
                "code=\"5\" percentage=\"5\"/>\n<data_record code=\"10\" percentage=\"10\"/>\n"
                "</coverscale_record>\n");
    add(file);
    ASSERT_EQ(t.model.releveCount(), 1);
    const struct {
        int nr;
        CoverCode code;
    } want[] = {{10, 7}, {11, 10}, {12, 10}, {13, 20}, {14, 20}};
    for (const auto& w : want) {
        LayerCodes codesWanted{};
        codesWanted[H1] = w.code;
        EXPECT_EQ(codes(1, "Turboveg nr " + std::to_string(w.nr)), codesWanted) << w.nr;
    }
}

TEST_F(AddTurbovegTest, HeaderValuesNullsAndBareAmpersands) {
    // null is no value; a standard value stands before a udf one, and any field
    // of the mapping may come as a udf; zero decimals go; a bare "&" is the
    // character, a reference still a reference. A plot without species is added
    // and counted.
    for (int n = 1; n <= PrintItemCount; ++n) t.print.PrintItemBoxes[n].enabled = true;
    ClearTable(t, ui);
    add(package(
        "<Plot><header_data><standard_record coverscale=\"02\" releve_nr=\"12\" "
        "locality=\"Oak &amp; ash & elm\" date=\"null\" latitude=\"null\" longitude=\"139.5\" "
        "altitude=\"500.00\" exposition=\"null\" inclinatio=\"12.50\" surf_area=\"100.0\" "
        "tree_high=\"25\" cov_herbs=\"80\"/>\n"
        "<udf_record name=\"latitude\" type=\"N\" value=\"36.25\"/>\n"
        "<udf_record name=\"longitude\" type=\"N\" value=\"140.0\"/>\n"
        "<udf_record name=\"locality\" type=\"C\" value=\"Elsewhere\"/>\n"
        "</header_data><species_data></species_data></Plot>\n"
        "<Plot><header_data><standard_record coverscale=\"02\" releve_nr=\"13\" "
        "altitude=\"null\"/>\n"
        "<udf_record name=\"LOCALITY\" type=\"C\" value=\"Salzkammergut\"/>\n"
        "<udf_record name=\"altitude\" type=\"N\" value=\"700\"/>\n"
        "</header_data><species_data>\n" +
        sp(1, "+", "6") + "</species_data></Plot>\n"));
    ASSERT_EQ(t.model.releveCount(), 2);
    const struct {
        int releve, item;
        const char* text;
    } want[] = {{1, 2, "12      "}, {1, 3, "Oak & as"}, {1, 4, "        "}, {1, 5, "36.25   "},
                {1, 6, "139.5   "}, {1, 8, " 500"},     {1, 9, "    "},     {1, 10, "12.5"},
                {1, 15, " 100"},    {1, 16, "  25"},    {1, 27, "  80"},    {1, 23, "    "},
                {2, 2, "13      "}, {2, 3, "Salzkamm"}, {2, 8, " 700"}};
    for (const auto& w : want) EXPECT_EQ(header(w.releve, w.item), w.text) << w.item;
    ASSERT_FALSE(ui.statusLines.empty());
    EXPECT_EQ(ui.statusLines.back(), sj("2 件の測定を表に加えました（1 件は種がありません）"));
}

TEST_F(AddTurbovegTest, SpeciesWithoutListEntryAndTheDictionary) {
    parseDictionary(d, "Sasa kurilensis," + sj("チシマザサ") + "\r\n", "d.dic");
    add(package(plot("", sp(77, "+", "6") + sp(2, "1", "6") + sp(1, "r", "6"))));
    ASSERT_EQ(t.model.releveCount(), 1);
    EXPECT_NE(rowOf("Turboveg nr 77"), 0);
    EXPECT_NE(rowOf(sj("チシマザサ")), 0);
    EXPECT_EQ(rowOf("Sasa kurilensis"), 0);
    EXPECT_NE(rowOf("Fagus crenata"), 0);
}

TEST_F(AddTurbovegTest, DeclaredEncodingAndCharactersWithoutShiftJisCode) {
    // windows-1250: 0xE8 is c with caron, which Shift-JIS lacks; 0xD7 is the
    // multiplication sign, which it has. A "?" the eight bytes of the field cut
    // off is not counted: the table shows no change.
    std::string bytes =
        package(plot("releve_nr=\"1\" locality=\"Kr\xE8ma \xD7\"", sp(1, "+", "6")) +
                    plot("releve_nr=\"2\" locality=\"Plain st\xE8\"", sp(1, "+", "6")),
                "windows-1250");
    add(bytes);
    ASSERT_EQ(t.model.releveCount(), 2);
    EXPECT_EQ(header(1, 3), "Kr?ma " + sj("×"));
    ASSERT_FALSE(ui.statusLines.empty());
    EXPECT_NE(ui.statusLines.back().find(sj("「?」にした測定 1 件")), std::string::npos)
        << toUtf8(ui.statusLines.back());
}

TEST_F(AddTurbovegTest, JapaneseDoubleByteEncodings) {
    // "ソ" is 0x83 0x5C in Shift-JIS: a second byte that is "\\" in ASCII.
    const std::string name = "ソヨゴ", place = "八甲田ｱ";
    auto euc = [](const std::string& utf8) {
        iconv_t cd = iconv_open("EUC-JP", "UTF-8");
        std::string in = utf8, out(utf8.size() * 2, '\0');
        char* inPtr = in.data();
        char* outPtr = out.data();
        std::size_t inLeft = in.size(), outLeft = out.size();
        iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        iconv_close(cd);
        out.resize(out.size() - outLeft);
        return out;
    };
    struct Case {
        const char* encoding;
        std::string (*encode)(std::string_view);
    };
    const Case cases[] = {
        {"Shift_JIS", &fromUtf8}, {"windows-31j", &fromUtf8}, {"EUC-JP", nullptr}};
    for (const Case& c : cases) {
        ClearTable(t, ui);
        auto bytes = [&](const std::string& utf8) { return c.encode ? c.encode(utf8) : euc(utf8); };
        std::string file = package(
            plot("releve_nr=\"1\" locality=\"" + bytes(place) + "\"", sp(1, "+", "6")), c.encoding);
        file.replace(file.find("Fagus crenata"), 13, bytes(name));
        add(file);
        ASSERT_EQ(t.model.releveCount(), 1) << c.encoding;
        EXPECT_NE(rowOf(sj(name)), 0) << c.encoding;
        EXPECT_EQ(header(1, 3), sj(place) + " ") << c.encoding;
    }
}

TEST_F(AddTurbovegTest, AFileThatCannotBeReadWholeLeavesTheTableAsItWas) {
    add(package(plot("releve_nr=\"1\"", sp(1, "+", "6"))));
    const std::string good = package(plot("releve_nr=\"2\"", sp(2, "+", "6")) +
                                     plot("releve_nr=\"3\"", sp(2, "1", "6")));
    struct Case {
        const char* what;
        std::string bytes;
        const char* named;  // the line and the plot
    };
    const Case cases[] = {
        {"cut short", good.substr(0, good.find("nr=\"2\" cover=\"1\"")),
         "の 22 行目（2 番目の Plot、releve_nr 3）"},
        {"cover not in its scale",
         package(plot("releve_nr=\"2\"", sp(2, "+", "6")) +
                 plot("releve_nr=\"3\"", sp(2, "+", "6") + sp(1, "2x", "6"))),
         "の 23 行目（2 番目の Plot、releve_nr 3）: 被度 2x が被度階級 02 にありません"},
        {"scale not in the file", package(plot("releve_nr=\"2\"", sp(2, "+", "6"), "09")),
         "の 18 行目（1 番目の Plot、releve_nr 2）: 被度階級 09 が"},
        {"not well-formed", package(plot("releve_nr=\"2\"", sp(2, "+", "6") + "<b></c>")),
         "の 19 行目（1 番目の Plot、releve_nr 2）"},
        {"not a package, in one empty element", "<?xml version=\"1.0\"?>\n<Plots/>\n",
         "の 2 行目: Turboveg の plot package ではありません"},
        {"species under names the reader does not know",
         package("<Plot><header_data><standard_record coverscale=\"02\"/></header_data>"
                 "<species_data><Species nr=\"1\" cover=\"+\" layer=\"6\"/>"
                 "</species_data></Plot>\n"),
         ": どの Plot にも種の記録がありません（Plot の species_data の species にある "
         "standard_record"},
    };
    const auto revision = t.model.grid().revision();
    for (const Case& c : cases) {
        try {
            add(c.bytes);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const Error& e) {
            const std::string message = toUtf8(e.what());
            EXPECT_NE(message.find(c.named), std::string::npos) << c.what << ": " << message;
        }
        EXPECT_EQ(t.model.releveCount(), 1) << c.what;
        EXPECT_EQ(t.model.speciesCount(), 1) << c.what;
        EXPECT_EQ(t.model.grid().revision(), revision) << c.what;
    }
}

TEST_F(AddTurbovegTest, MemoryRunningOutWhilePlacingLeavesTheTableAsItWas) {
    add(package(plot("releve_nr=\"1\"", sp(1, "+", "6"))));
    const std::string before = dump(t);
    const std::string path = dir.file("more.xml");
    testing::writeBytes(path, package(growingPlots(12)));
    // Fail each allocation of the add in turn, until the add needs no more; a
    // failed add leaves the table for the next.
    int namedPlot = 0;
    for (long n = 0;; ++n) {
        testing::failAllocationAfter(n);
        try {
            addTurbovegFile(t, d, ui, path);
            testing::failAllocationAfter(-1);
            EXPECT_EQ(t.model.releveCount(), 12);
            break;
        } catch (const Error& e) {
            testing::failAllocationAfter(-1);
            namedPlot += toUtf8(e.what()).find("番目の Plot、releve_nr") != std::string::npos;
        } catch (const std::bad_alloc&) {  // while reading, before the table is touched
        }
        ASSERT_EQ(dump(t), before) << "allocation " << n;
    }
    EXPECT_GT(namedPlot, 0);
}

TEST_F(AddTurbovegTest, ACancelLeavesTheTableAsItWasAndSaysNothingDone) {
    add(package(plot("releve_nr=\"1\"", sp(1, "+", "6"))));
    const std::string before = dump(t);
    const auto moves = t.history.moves();
    const std::size_t said = ui.statusLines.size();
    const std::string path = dir.file("more.xml");
    testing::writeBytes(path, package(growingPlots(40)));
    // The first question comes after the one piece of the file is read; one more
    // before each plot.
    struct Case {
        int cancelAfter;
        bool placedSome;  // relevés were in the grid before the cancel took them back
    } const cases[] = {{0, false}, {1, false}, {5, true}, {39, true}};
    for (const Case& c : cases) {
        const auto revision = t.model.grid().revision();
        ui.cancelAsked = 0;
        ui.cancelAfter = c.cancelAfter;
        addTurbovegFile(t, d, ui, path);
        EXPECT_EQ(t.model.grid().revision() != revision, c.placedSome) << c.cancelAfter;
        EXPECT_EQ(dump(t), before) << c.cancelAfter;
        EXPECT_EQ(t.history.moves(), moves) << c.cancelAfter;
        EXPECT_EQ(ui.statusLines.size(), said) << c.cancelAfter;
    }
    ui.cancelAfter = -1;
    addTurbovegFile(t, d, ui, path);
    EXPECT_EQ(t.model.releveCount(), 40);
}

}  // namespace
}  // namespace tamsel
