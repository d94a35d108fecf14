// Commands of choosing relevés, the dictionary, recount and sorts.
#include <optional>
#include <tuple>

#include "analysis/sorting.h"
#include "app/session/analysis_commands.h"
#include "app/session/batch.h"
#include "app/session/compose_commands.h"
#include "app/session/table_commands.h"
#include "compose/add_releve.h"
#include "compose/add_turboveg.h"
#include "compose/dictionary.h"
#include "platform/error.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

std::pair<std::int32_t, std::int32_t> recordRange(const std::string& text) {
    // The dash after the first character, so that a negative first bound still parses.
    std::size_t dash = text.find('-', 1);
    if (dash == std::string::npos)
        throw Error(msg("--records は A-B の形で指定してください: %1", fromUtf8(text)));
    return {batchInt(text.substr(0, dash), "--records A"),
            batchInt(text.substr(dash + 1), "--records B")};
}

int plantMode(const std::string& name) {
    if (name == "a") return 1;
    if (name == "a-and-b") return 2;
    if (name == "a-or-b") return 3;
    if (name == "a-not-b") return 4;
    throw Error(msg("--plant は a、a-and-b、a-or-b、a-not-b のどれかです: %1", fromUtf8(name)));
}

// The window opens the add panel; the command line fills it from the options and
// presses the button they name.
void addReleves(CommandCall& c) {
    const CommandArgs& a = c.args;
    int mode = 0;
    if (!c.interactive()) {
        auto plant = a.option("--plant");
        if (!plant && (a.has("--a") || a.has("--b") || a.has("--cover-a") || a.has("--cover-b")))
            throw Error(sj("--a、--b、--cover-a、--cover-b は --plant と一緒に指定してください"));
        mode = plant ? plantMode(*plant) : 0;
    }
    Session& s = c.session;
    AddReleveForm& f = s.addPanel;
    Item_AddReleveClick(s.table, f, c.ui);
    if (!f.visible || c.interactive()) return;
    if (auto records = a.option("--records")) std::tie(f.RtN1, f.RtN2) = recordRange(*records);
    f.EditGrid = fromUtf8(a.option("--grid").value_or(""));
    if (mode) {
        f.EditName1 = fromUtf8(a.option("--a").value_or(""));
        f.EditName2 = fromUtf8(a.option("--b").value_or(""));
        f.EditCov1 = fromUtf8(a.option("--cover-a").value_or("+"));
        f.EditCov2 = fromUtf8(a.option("--cover-b").value_or("+"));
        addByPlantAsking(s.table, s.dictionary, f, c.ui, mode);
    } else if (a.has("--grid")) {
        AddbyGridBtnClick(s.table, s.dictionary, f, c.ui);
    } else {
        AddbyRecordBtnClick(s.table, s.dictionary, f, c.ui);
    }
}

}  // namespace

void registerBuildCommands(std::vector<Command>& reg) {
    using K = Arg::Kind;
    reg.push_back({.name = "dict",
                   .args = {{"FILE", K::File}},
                   .help = "異名辞書ファイルの読込み: load a synonym dictionary",
                   .item = "Item_CheckName",
                   .caption = "異名辞書ファイルの読込み(&D)",
                   .place = {"Menu_Tool", 60, true},
                   .handler = [](CommandCall& c) {
                       Item_CheckNameClick(c.session.table, c.session.dictionary, c.ui);
                   }});
    reg.push_back(
        {.name = "add",
         .args = {{"FILE.rli", K::File},
                  {"--records", K::Text, "A-B", {}, [](const std::string& v) { recordRange(v); }},
                  {.name = "--grid", .value = "PREFIX"},
                  {.name = "--plant",
                   .value = "a|a-and-b|a-or-b|a-not-b",
                   .missing = "--plant MODE"},
                  {.name = "--a", .value = "NAME", .required = true, .within = "--plant"},
                  {.name = "--cover-a", .value = "C", .within = "--plant"},
                  {.name = "--b", .value = "NAME", .within = "--plant"},
                  {.name = "--cover-b", .value = "C", .within = "--plant"}},
         .help = "表にデータを加える: add relevés by plants, grid code or record range",
         .badOption = "add に使えないオプションです: %1",
         .item = "Item_AddReleve",
         .caption = "表にデータを加える(&A)",
         .place = {"Menu_File", 20},
         .handler = addReleves});
    reg.push_back(
        {.name = "add-turboveg",
         .args = {{"FILE.xml", K::File}},
         .help = "Turboveg XML から加える: add every plot of a Turboveg 2 XML plot package",
         .item = "Item_AddTurboveg",
         .caption = "Turboveg XML から加える(&U)…",
         .place = {"Menu_File", 25},
         .handler = [](CommandCall& c) {
             Item_AddTurbovegClick(c.session.table, c.session.dictionary, c.ui);
         }});
    // The same commands on the table alone, in the window and on the command line.
    struct Simple {
        const char *name, *help, *item, *caption;
        int order;
        void (*call)(TableState&, Ui&);
    };
    const Simple simple[] = {
        {"recount", "出現頻度を再計算する: recount frequencies", "Item_Frequency",
         "出現頻度を再計算する(&F)", 10, Item_FrequencyClick},
        {"sort-species", "植物を頻度多順に並び替え: species by frequency", "Item_SortPlant",
         "植物を頻度多順に並び替え(&P)", 20, Item_SortPlantClick},
        {"sort-releves", "測定を種数多順に並び替え: relevés, most species first", "Item_SortReleve",
         "測定を種数多順に並び替え(&O)", 30, Item_SortReleveClick},
        {"sort-releves-fewest", "測定を種数少順に並び替え: relevés, fewest first",
         "Item_SortReverse", "測定を種数少順に並び替え（&R）", 40, Item_SortReverseClick},
    };
    for (const Simple& m : simple) {
        auto call = m.call;
        reg.push_back({.name = m.name,
                       .help = m.help,
                       .item = m.item,
                       .caption = m.caption,
                       .place = {"Menu_Tool", m.order},
                       .handler = [call](CommandCall& c) { call(c.session.table, c.ui); }});
    }
    // The window sorts from a header row's right-press menu.
    reg.push_back({.name = "sort-releves-by",
                   .args = {{"ROW"}, {"--descending", Arg::Kind::Flag}},
                   .help = "この項目で並べ替え: relevés by header row ROW (grid row or caption); "
                           "numbers by value, then texts, blank cells last",
                   .handler = [](CommandCall& c) {
                       TableState& t = c.session.table;
                       sortRelevesByRow(t, c.ui,
                                        headerRowNamed(t, sjisOrRefuse(c.args.text("ROW"), "ROW")),
                                        c.args.has("--descending"));
                   }});
}

}  // namespace tamsel
