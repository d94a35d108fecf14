#include "app/session/store_commands.h"

#include <filesystem>

#include "app/session/compose_commands.h"
#include "app/session/open_dialog.h"
#include "compose/add_releve.h"
#include "platform/error.h"
#include "store/releve_store.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

const char* const StoreFilter = "データベース (*.tsdb)|*.tsdb|すべてのファイル (*.*)|*.*";

std::optional<std::string> askStore(Session& s, Ui& ui) {
    return askFileToOpen(s.table, ui, sj("データベースの選択"), sj(StoreFilter), 1, "*.tsdb");
}

// The parts of text between the separator bytes, trimmed, empty ones left out.
// The separators are ASCII: no Shift-JIS trail byte is one.
std::vector<std::string> partsOf(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find(separator, at);
        if (end == std::string::npos) end = text.size();
        std::string part = trimControl(text.substr(at, end - at));
        if (!part.empty()) parts.push_back(std::move(part));
        at = end + 1;
    }
    return parts;
}

// "NAME OP VALUE", the value what follows the second blank.
FieldCondition conditionOf(const std::string& text) {
    const std::size_t a = text.find(' ');
    const std::size_t b = a == std::string::npos ? a : text.find_first_not_of(' ', a);
    const std::size_t c = b == std::string::npos ? b : text.find(' ', b);
    if (c == std::string::npos)
        throw Error(msg("項目の条件は「項目 比較 値」の形で書いてください: %1", text));
    return {text.substr(0, a), text.substr(b, c - b), trimControl(text.substr(c))};
}

StoreSelection selectionOfForm(const std::vector<std::string>& texts) {
    StoreSelection s;
    s.species = partsOf(texts.at(0), ',');
    if (!trimControl(texts.at(1)).empty()) s.box = parseBox(toUtf8(trimControl(texts.at(1))));
    if (!trimControl(texts.at(2)).empty())
        s.dates = parseDateRange(toUtf8(trimControl(texts.at(2))));
    for (const std::string& f : partsOf(texts.at(3), ';')) s.fields.push_back(conditionOf(f));
    for (const std::string& d : partsOf(texts.at(4), ',')) s.datasets.push_back(toUtf8(d));
    return s;
}

}  // namespace

void Item_StoreCreateClick(Session& s, Ui& ui) {
    FileDialogRequest r;
    r.title = sj("データベースの作成");
    r.filter = sj(StoreFilter);
    r.initialDir = s.table.files.OpenDialogFolder;
    r.fileName = "*.tsdb";
    r.defaultExt = ".tsdb";
    auto chosen = ui.saveFileDialog(r);
    if (!chosen) return;
    ReleveStore::open(*chosen, true);
    ui.status(msg("データベース %1 を用意しました",
                  fromUtf8(std::filesystem::path(*chosen).filename().string())));
}

void Item_StoreImportClick(Session& s, Ui& ui) {
    auto store = askStore(s, ui);
    if (!store) return;
    auto source = askFileToOpen(
        s.table, ui, sj("取り込むファイルの選択"),
        sj("データファイル (*.rli)|*.rli|Turboveg XML ファイル (*.xml)|*.xml|すべてのファイル "
           "(*.*)|*.*"),
        1, "*.rli");
    if (!source) return;
    ReleveStore st = ReleveStore::open(*store, true);
    MessagePanelScope panel(ui, sj("データベースに取り込んでいます"));
    ui.offerCancel();
    ProgressBar& bar = ui.progressBar2();
    constexpr int Steps = 1000;
    bar.setRange(0, Steps);
    auto d = st.importSource(*source, [&](std::int64_t done, std::int64_t total) {
        bar.setPosition(total ? static_cast<int>(done * Steps / total) : Steps);
        return !ui.cancelRequested();
    });
    bar.setPosition(0);
    panel.close();
    const std::string name = fromUtf8(std::filesystem::path(*source).filename().string());
    if (!d) {
        ui.status(msg("%1 の取り込みを取り消しました（データベースは元のままです）", name));
        return;
    }
    ui.status(msg("%1 の測定 %2 件を取り込みました", name, d->releves));
}

void Item_AddFromStoreClick(Session& s, Ui& ui) {
    auto path = askStore(s, ui);
    if (!path) return;
    const ReleveStore store = ReleveStore::open(*path, false);
    FieldsDialogRequest r;
    r.title = sj("条件で選んで表に加える");
    r.fields = {{sj("種名（すべてを含む。「,」で区切る）"), ""},
                {sj("範囲 西,南,東,北（度）"), ""},
                {sj("調査年月日 FROM-TO（yyyymmdd、yyyymm、yyyy）"), ""},
                {sj("項目の条件（例 Altitude >= 600。「;」で区切る）"), ""},
                {sj("データセット（取り込んだファイルの名前。「,」で区切る）"), ""}};
    r.fields[0].suggestions = store.speciesNames();
    r.check = [](const std::vector<std::string>& texts) { selectionOfForm(texts); };
    r.live = [&](const std::vector<std::string>& texts) {
        return msg("条件に合う測定: %1 件", store.count(selectionOfForm(texts), s.dictionary));
    };
    r.stopLive = [&store] { store.interrupt(); };
    auto texts = ui.fieldsDialog(r);
    if (!texts) return;
    std::unique_ptr<ReleveFeed> feed =
        store.feed(store.select(selectionOfForm(*texts), s.dictionary));
    addFromFeed(s.table, s.dictionary, ui, askToAddAgain(ui), *feed);
}

}  // namespace tamsel
