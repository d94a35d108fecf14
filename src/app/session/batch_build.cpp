// Commands of choosing relevés, the dictionary, recount and sorts.
#include <optional>

#include "analysis/sorting.h"
#include "app/session/batch.h"
#include "compose/add_releve.h"
#include "compose/add_turboveg.h"
#include "compose/dictionary.h"
#include "platform/error.h"
#include "table/frequency.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

void loadDictionary(BatchContext& c, ArgReader& in) {
    c.ui.fileAnswers.push_back(in.next("FILE"));
    Item_CheckNameClick(c.session.table, c.session.dictionary, c.ui);
}

struct AddArgs {
    std::string file;
    std::optional<std::pair<std::int32_t, std::int32_t>> records;
    std::optional<std::string> grid, plant, a, b, coverA, coverB;
};

std::pair<std::int32_t, std::int32_t> recordRange(const std::string& text) {
    // The dash after the first character, so that a negative first bound still parses.
    std::size_t dash = text.find('-', 1);
    if (dash == std::string::npos)
        throw Error(msg("--records は A-B の形で指定してください: %1", fromUtf8(text)));
    return {batchInt(text.substr(0, dash), "--records A"),
            batchInt(text.substr(dash + 1), "--records B")};
}

AddArgs readAddArgs(ArgReader& in) {
    AddArgs a;
    a.file = in.next("FILE.rli");
    while (auto opt = in.nextOption()) {
        if (*opt == "--records")
            a.records = recordRange(in.next("--records A-B"));
        else if (*opt == "--grid")
            a.grid = in.next("--grid PREFIX");
        else if (*opt == "--plant")
            a.plant = in.next("--plant MODE");
        else if (*opt == "--a")
            a.a = in.next("--a NAME");
        else if (*opt == "--b")
            a.b = in.next("--b NAME");
        else if (*opt == "--cover-a")
            a.coverA = in.next("--cover-a C");
        else if (*opt == "--cover-b")
            a.coverB = in.next("--cover-b C");
        else
            throw Error(msg("add に使えないオプションです: %1", fromUtf8(*opt)));
    }
    if (!a.plant && (a.a || a.b || a.coverA || a.coverB))
        throw Error(sj("--a、--b、--cover-a、--cover-b は --plant と一緒に指定してください"));
    return a;
}

int plantMode(const std::string& name) {
    if (name == "a") return 1;
    if (name == "a-and-b") return 2;
    if (name == "a-or-b") return 3;
    if (name == "a-not-b") return 4;
    throw Error(msg("--plant は a、a-and-b、a-or-b、a-not-b のどれかです: %1", fromUtf8(name)));
}

void addReleves(BatchContext& c, ArgReader& in) {
    AddArgs a = readAddArgs(in);
    int mode = a.plant ? plantMode(*a.plant) : 0;
    Session& s = c.session;
    AddReleveForm& f = s.addPanel;
    c.ui.fileAnswers.push_back(a.file);
    Item_AddReleveClick(s.table, f, c.ui);
    if (!f.visible) return;
    if (a.records) {
        f.RtN1 = a.records->first;
        f.RtN2 = a.records->second;
    }
    f.EditGrid = fromUtf8(a.grid.value_or(""));
    if (mode) {
        f.EditName1 = fromUtf8(a.a.value_or(""));
        f.EditName2 = fromUtf8(a.b.value_or(""));
        f.EditCov1 = fromUtf8(a.coverA.value_or("+"));
        f.EditCov2 = fromUtf8(a.coverB.value_or("+"));
        AddbyPlant(s.table, s.dictionary, f, c.ui, mode);
    } else if (a.grid) {
        AddbyGridBtnClick(s.table, s.dictionary, f, c.ui);
    } else {
        AddbyRecordBtnClick(s.table, s.dictionary, f, c.ui);
    }
}

}  // namespace

void registerBuildCommands(std::vector<BatchCommand>& reg) {
    reg.push_back(
        {.name = "dict",
         .usage = "FILE",
         .help = "異名辞書ファイルの読込み: load a synonym dictionary",
         .run = [](BatchContext& c, ArgReader& in) { loadDictionary(c, in); },
         .item = "Item_CheckName",
         .caption = "異名辞書ファイルの読込み(&D)",
         .place = {"Menu_Tool", 60, true},
         .click = [](Session& s, Ui& ui) { Item_CheckNameClick(s.table, s.dictionary, ui); }});
    reg.push_back(
        {.name = "add",
         .usage = "FILE.rli [--records A-B] [--grid PREFIX] [--plant "
                  "a|a-and-b|a-or-b|a-not-b --a NAME [--cover-a C] [--b NAME] "
                  "[--cover-b C]]",
         .help = "表にデータを加える: add relevés by plants, grid code or record range",
         .run = [](BatchContext& c, ArgReader& in) { addReleves(c, in); },
         .item = "Item_AddReleve",
         .caption = "表にデータを加える(&A)",
         .place = {"Menu_File", 20},
         .click = [](Session& s, Ui& ui) { Item_AddReleveClick(s.table, s.addPanel, ui); }});
    reg.push_back(
        {.name = "add-turboveg",
         .usage = "FILE.xml",
         .help = "Turboveg XML から加える: add every plot of a Turboveg 2 XML plot package",
         .run =
             [](BatchContext& c, ArgReader& in) {
                 c.ui.fileAnswers.push_back(in.next("FILE.xml"));
                 Item_AddTurbovegClick(c.session.table, c.session.dictionary, c.ui);
             },
         .item = "Item_AddTurboveg",
         .caption = "Turboveg XML から加える(&U)…",
         .place = {"Menu_File", 25},
         .click = [](Session& s, Ui& ui) { Item_AddTurbovegClick(s.table, s.dictionary, ui); }});
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
                       .run = [call](BatchContext& c, ArgReader&) { call(c.session.table, c.ui); },
                       .item = m.item,
                       .caption = m.caption,
                       .place = {"Menu_Tool", m.order},
                       .click = [call](Session& s, Ui& ui) { call(s.table, ui); }});
    }
}

}  // namespace tamsel
