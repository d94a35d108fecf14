// The relevé store's commands: import sources, tell what it holds, and place a
// selection into the table.

#include "app/session/batch.h"
#include "app/session/compose_commands.h"
#include "app/session/store_commands.h"
#include "compose/add_releve.h"
#include "platform/error.h"
#include "store/releve_store.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

bool isSource(const std::string& word) {
    return sourceKindOf(word).has_value();
}

void storeImport(CommandCall& c) {
    ReleveStore store = ReleveStore::open(c.args.text("STORE"), true);
    for (const std::string& source : c.args.all("SOURCE")) {
        BusyScope busy(c.ui);
        std::optional<StoreDataset> d = store.importSource(
            source, [&](std::int64_t, std::int64_t) { return !c.ui.cancelRequested(); });
        if (!d) {
            c.ui.status(msg("%1 の取り込みを取り消しました", fromUtf8(source)));
            return;
        }
        c.out << "imported\t" << d->name << "\t" << d->releves << "\t" << d->entries << "\n";
    }
}

void storeInfo(CommandCall& c) {
    ReleveStore store = ReleveStore::open(c.args.text("STORE"), false);
    std::int64_t releves = 0, entries = 0;
    for (const StoreDataset& d : store.datasets()) {
        c.out << "dataset\t" << d.name << "\t" << d.kind << "\t" << d.releves << "\t" << d.entries
              << "\n";
        releves += d.releves;
        entries += d.entries;
    }
    c.out << "total\t" << releves << "\t" << entries << "\n";
}

StoreSelection selectionOf(const CommandArgs& a) {
    StoreSelection s;
    if (a.has("--species"))
        for (const std::string& name : a.all("--species"))
            s.species.push_back(sjisOrRefuse(name, "--species"));
    if (auto box = a.option("--box")) s.box = parseBox(*box);
    if (auto dates = a.option("--date")) s.dates = parseDateRange(*dates);
    if (a.has("--field")) {
        const auto& words = a.all("--field");
        for (std::size_t k = 0; k + 2 < words.size(); k += 3)
            s.fields.push_back({words[k], words[k + 1], sjisOrRefuse(words[k + 2], "--field")});
    }
    if (a.has("--dataset")) s.datasets = a.all("--dataset");
    return s;
}

void addFromStore(CommandCall& c) {
    Session& s = c.session;
    const ReleveStore store = ReleveStore::open(c.args.text("STORE"), false);
    std::unique_ptr<ReleveFeed> feed = store.feed(store.select(selectionOf(c.args), s.dictionary));
    addFromFeed(s.table, s.dictionary, c.ui, askToAddAgain(c.ui), *feed);
}

}  // namespace

void registerStoreCommands(std::vector<Command>& reg) {
    using K = Arg::Kind;
    reg.push_back(
        {.name = "store-import",
         .args = {{"STORE", K::Path}, {.name = "SOURCE", .kind = K::Path, .more = isSource}},
         .help = "データベースに取り込む: import data file pairs (.rli) and Turboveg XML "
                 "packages into the relevé store, each once",
         .handler = storeImport});
    reg.push_back({.name = "store-info",
                   .args = {{"STORE", K::Path}},
                   .help =
                       "データベースの内容: the store's datasets with their relevés and species "
                       "entries",
                   .handler = storeInfo});
    reg.push_back(
        {.name = "add-from-store",
         .args =
             {{"STORE", K::Path},
              {.name = "--species", .value = "NAME"},
              {"--box", K::Text, "W,S,E,N", {}, [](const std::string& v) { parseBox(v); }},
              {"--date", K::Text, "FROM-TO", {}, [](const std::string& v) { parseDateRange(v); }},
              {.name = "--field", .value = "NAME OP VALUE", .words = 3},
              {.name = "--dataset", .value = "NAME"}},
         .help = "条件で選んで表に加える: add the store's relevés meeting every condition, in "
                 "store order (--species: all present; --field OP: = != < <= > >= ^=)",
         .handler = addFromStore});
    // The window's items; the command line has the commands above.
    const char* const submenu = "データベース";
    auto item = [&](const char* name, const char* caption, int order,
                    void (*click)(Session&, Ui&)) {
        reg.push_back({.item = name,
                       .caption = caption,
                       .place = {"Menu_File", order, false, submenu},
                       .handler = [click](CommandCall& c) { click(c.session, c.ui); }});
    };
    item("Item_StoreCreate", "作成(&N)…", 26, Item_StoreCreateClick);
    item("Item_StoreImport", "取り込み(&I)…", 27, Item_StoreImportClick);
    item("Item_AddFromStore", "条件で選んで表に加える(&S)…", 28, Item_AddFromStoreClick);
}

}  // namespace tamsel
