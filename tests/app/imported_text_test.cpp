// Texts that come in from outside with control characters inside: each reader
// makes them blanks and says how many it changed, and the table saves and loads.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/batch_run.h"
#include "support/data_file_writer.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

using testing::layerText;
using testing::ReleveIn;

// A plot package: one plot per (locality, latitude) pair, each with species 1,
// whose name the species list gives.
std::string package(const std::vector<std::pair<std::string, std::string>>& plots,
                    const std::string& speciesName) {
    std::string s =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Plot_package>\n"
        "<Lookup_tables><Coverscale_list><coverscale_record code=\"02\">"
        "<data_record code=\"+\" percentage=\"2\"/></coverscale_record></Coverscale_list>"
        "</Lookup_tables>\n<Plots>\n";
    int nr = 0;
    for (const auto& [locality, latitude] : plots)
        s += "<Plot><header_data><standard_record coverscale=\"02\" releve_nr=\"" +
             std::to_string(++nr) + "\" locality=\"" + locality + "\"/>\n" +
             "<udf_record name=\"latitude\" type=\"C\" value=\"" + latitude + "\"/>" +
             "</header_data>\n<species_data><species><standard_record nr=\"1\" cover=\"+\" "
             "layer=\"6\"/></species></species_data></Plot>\n";
    return s + "</Plots>\n<Lookup_tables><Species_list><species_record nr=\"1\" name=\"" +
           speciesName + "\"/></Species_list></Lookup_tables>\n</Plot_package>\n";
}

ReleveIn releve(const std::string& site, const std::string& species) {
    ReleveIn r;
    r.releveNumber = "1";
    r.siteName = site;
    r.species = {{species, layerText(4, "+")}};
    return r;
}

TEST(ImportedTexts, ControlCharactersBecomeBlanksThatSaveAndLoad) {
    testing::TempDir dir;
    const std::string nul(1, '\0');
    const std::string rli = dir.file("veg.rli"), xml = dir.file("plots.xml");
    // Every box on, so that every field placed is shown; a tab in the title and a
    // caption.
    const std::string ini = dir.file("all.ini");
    std::string settings = "T\tU" + nul + "V\r\nxx" + sj("通し番号") + "\r\n";
    for (int n = 2; n <= 30; ++n)
        settings += n == 3 ? "1 site\tname\r\n" : "1 item " + std::to_string(n) + "\r\n";
    testing::writeBytes(ini, settings);
    struct Case {
        const char* reader;
        std::function<std::vector<std::string>()> write;  // the files; the commands to read them
        int col;                                          // the grid column that shows the text
        std::string shown;                                // UTF-8, in the table loaded again
        std::string note;                                 // UTF-8
    };
    // An XML attribute cannot hold NUL, and its literal line breaks and tabs are
    // blanks already: only references bring them in.
    const Case cases[] = {
        {"settings file", [] { return std::vector<std::string>{}; }, 2, "site name", ""},
        {"data pair header field",
         [&] {
             testing::writeDataFilePair(
                 dir.file("veg"), {releve("A\rB\nC\t" + nul + "D", "X"), releve("E\rF", "X")});
             return std::vector<std::string>{"add", rli};
         },
         4, "A B C  D",
         "veg.rli の 2 件の項目の制御文字を空白にしました（最初は レコード 1 の site name）"},
        {"data pair species name",
         [&] {
             testing::writeDataFilePair(dir.file("veg"), {releve("S", "Ab\rc\nd\te" + nul + "f")});
             return std::vector<std::string>{"add", rli};
         },
         2, "Ab c d e f",
         "1 件の項目の制御文字を空白にしました（最初は レコード 1 の 種名「Ab c d e f」）"},
        {"Turboveg header field",
         [&] {
             testing::writeBytes(xml, package({{"a&#13;b&#10;c&#9;d", "1"}}, "Fagus"));
             return std::vector<std::string>{"add-turboveg", xml};
         },
         4, "a b c d ",
         "plots.xml の 1 件の項目の制御文字を空白にしました（最初は 1 番目の Plot、releve_nr 1 "
         "の locality）"},
        {"Turboveg udf_record value",
         [&] {
             testing::writeBytes(xml, package({{"a", "1&#9;2&#13;3"}}, "Fagus"));
             return std::vector<std::string>{"add-turboveg", xml};
         },
         4, "1 2 3   ",
         "の 1 件の項目の制御文字を空白にしました（最初は 1 番目の Plot、releve_nr 1 の "
         "latitude）"},
        // The species list holds the name once, however many plots have it.
        {"Turboveg species name",
         [&] {
             testing::writeBytes(xml,
                                 package({{"a", "1"}, {"b", "2"}}, "Fagus&#13;&#10;crenata&#9;x"));
             return std::vector<std::string>{"add-turboveg", xml};
         },
         2, "Fagus  crenata x",
         "の 1 件の項目の制御文字を空白にしました（最初は 1 番目の Plot、releve_nr 1 の "
         "Species_list の種名「Fagus  crenata x」）"},
        {"dictionary entry",
         [&] {
             testing::writeDataFilePair(dir.file("veg"), {releve("S", "Old")});
             testing::writeBytes(dir.file("syn.dic"), "Old,X\rY\tZ" + nul + "W\r\n");
             return std::vector<std::string>{"dict", dir.file("syn.dic"), "add", rli};
         },
         2, "X Y Z W", "syn.dic の 1 件の項目の制御文字を空白にしました（最初は 1 行目）"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"ini", ini};
        for (std::string& a : c.write()) args.push_back(std::move(a));
        const std::string vtb = dir.file("t.vtb");
        args.insert(args.end(), {"save", vtb, "load", vtb, "grid", "caption"});
        const testing::Outcome r = testing::runCommands(args);
        ASSERT_EQ(r.status, 0) << c.reader << ": " << r.err;
        EXPECT_NE(r.err.find(c.note), std::string::npos) << c.reader << ": " << r.err;
        const std::vector<std::string> lines = r.lines();
        ASSERT_FALSE(lines.empty()) << c.reader;
        EXPECT_EQ(lines.back().rfind("T U V  ", 0), 0u) << c.reader << ": " << lines.back();
        bool found = false;
        for (const std::string& line : lines) {
            std::vector<std::string> cells{""};
            for (char ch : line) {
                if (ch == '\t')
                    cells.emplace_back();
                else
                    cells.back() += ch;
            }
            if (cells.size() > static_cast<std::size_t>(c.col) && cells[c.col] == c.shown)
                found = true;
        }
        EXPECT_TRUE(found) << c.reader << ":\n" << r.out;
    }
}

}  // namespace
}  // namespace tamsel
