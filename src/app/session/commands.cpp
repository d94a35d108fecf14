#include "app/session/commands.h"

#include <algorithm>
#include <stdexcept>

#include "app/session/edit_commands.h"
#include "app/session/settings.h"
#include "datafile/numbers.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

bool CommandArgs::has(const std::string& name) const {
    if (described_ && std::none_of(described_->begin(), described_->end(),
                                   [&](const Arg& a) { return a.name == name; }))
        throw std::logic_error("argument not described: " + name);
    return values_.count(name) != 0;
}

const std::vector<std::string>& CommandArgs::all(const std::string& name) const {
    has(name);
    auto it = values_.find(name);
    if (it == values_.end() || it->second.empty())
        throw Error(msg("引数が足りません: %1", fromUtf8(name)));
    return it->second;
}

const std::string& CommandArgs::text(const std::string& name) const {
    return all(name).back();
}

std::optional<std::string> CommandArgs::option(const std::string& name) const {
    if (!has(name)) return std::nullopt;
    return text(name);
}

std::int32_t CommandArgs::number(const std::string& name) const {
    return batchInt(text(name), name);
}

std::function<void(CommandCall&)> exportTo(void (*command)(const TableState&, Ui&)) {
    return [command](CommandCall& c) { command(c.session.table, c.ui); };
}

std::int32_t batchInt(const std::string& text, const std::string& what) {
    auto v = parseNumberField(text);
    if (!v) throw Error(msg("数値ではありません (%1): %2", fromUtf8(what), fromUtf8(text)));
    return *v;
}

const std::vector<MenuDef>& mainMenus() {
    static const std::vector<MenuDef> menus = {
        {"Menu_File", "ファイル(&F)"},     {"Menu_Tool", "ツール(&T)"}, {"Menu_Edit", "編集(&E)"},
        {"Menu_Settings", "設定変更(&C)"}, {"Menu_Help", "ヘルプ(&H)"},
    };
    return menus;
}

void registerMenuOnlyCommands(std::vector<Command>& reg) {
    auto item = [&](const char* name, const char* caption, MenuPlace place,
                    std::function<void(CommandCall&)> handler = {}) {
        reg.push_back({.item = name, .caption = caption, .place = place, .handler = handler});
    };
    // The outputs not built yet stay disabled.
    item("Item_ValueMatrix", "数値表として出力する(&V)", {"Menu_File", 50});
    item("Item_PCordCSV", "PCord用のCSV型出力(&C)", {"Menu_File", 60});
    item("Item_PlotData", "立地環境データ表出力(&R)", {"Menu_File", 70});
    item("Item_TextFile", "表をテキスト出力(&F)", {"Menu_File", 80, true});
    item("Item_ExcelFile", "エクセル形式出力(&X)", {"Menu_File", 90});
    item("Item_Quit", "終　　　　了(&Q)", {"Menu_File", 120, true});  // the window's own
    item("Item_SetFont", "表のフォント変更(&F)", {"Menu_Settings", 20},
         [](CommandCall& c) { Item_SetFontClick(c.session.table, c.ui); });
    item("Item_Manual", "使用法　　(&H)", {"Menu_Help", 10},
         [](CommandCall& c) { Item_ManualClick(c.session, c.ui); });
    item("Item_Version", "ﾊﾞｰｼﾞｮﾝ情報(&A)", {"Menu_Help", 20},
         [](CommandCall& c) { Item_VersionClick(c.ui); });
}

std::vector<Command> allCommands() {
    std::vector<Command> reg;
    registerCoreCommands(reg);
    registerSettingsCommands(reg);
    registerBuildCommands(reg);
    registerStoreCommands(reg);
    registerTableFileCommands(reg);
    registerEditCommands(reg);
    registerOutputCommands(reg);
    registerAnalysisCommands(reg);
    registerExchangeCommands(reg);
    registerMenuOnlyCommands(reg);
    std::vector<Command> table;
    for (std::size_t i = 0; i < reg.size(); ++i) {
        const Command& c = reg[i];
        bool placeholder = !c.handler && !c.item.empty();
        bool replaced = placeholder && std::any_of(reg.begin(), reg.end(), [&](const Command& d) {
                            return d.item == c.item && d.handler;
                        });
        if (!replaced) table.push_back(c);
    }
    return table;
}

std::string commandTitle(const Command& c) {
    std::string t = c.caption;
    if (t.empty()) {
        const auto colon = c.help.find(':');
        const bool japanese =
            colon != std::string::npos && std::any_of(c.help.begin(), c.help.begin() + colon,
                                                      [](char ch) { return (ch & 0x80) != 0; });
        t = japanese ? c.help.substr(0, colon) : c.name;
    }
    for (const char* key : {"(&", "（&"})
        if (auto at = t.rfind(key); at != std::string::npos) t.erase(at);
    std::erase(t, '&');
    // Spaces, ASCII and full-width, that only placed the caption in the menu.
    for (const std::string space : {" ", "　"})
        while (t.size() >= space.size() &&
               t.compare(t.size() - space.size(), space.size(), space) == 0)
            t.erase(t.size() - space.size());
    return fromUtf8(t);
}

std::vector<const Command*> menuItems(const std::vector<Command>& table, const std::string& menu) {
    std::vector<const Command*> items;
    for (const Command& c : table)
        if (!c.item.empty() && c.place.menu == menu) items.push_back(&c);
    std::stable_sort(items.begin(), items.end(), [](const Command* a, const Command* b) {
        return a->place.order < b->place.order;
    });
    return items;
}

}  // namespace tamsel
