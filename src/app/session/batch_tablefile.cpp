// Commands of the table file.
#include "app/session/batch.h"
#include "app/session/table_file_commands.h"
#include "tablefile/table_file.h"

namespace tamsel {

void registerTableFileCommands(std::vector<Command>& reg) {
    reg.push_back({.name = "save",
                   .args = {{"FILE.vtb", Arg::Kind::File}},
                   .help = "現在の表を保存する: save the table to FILE.vtb",
                   .item = "Item_SaveTable",
                   .caption = "名前を付けて保存(&W)…",
                   .place = {"Menu_File", 40},
                   .shortcut = "Ctrl+Shift+S",
                   .handler = [](CommandCall& c) { Item_SaveTableClick(c.session.table, c.ui); }});
    reg.push_back({.item = "Item_Save",
                   .caption = "上書き保存(&S)",
                   .place = {"Menu_File", 39, true},
                   .shortcut = "Ctrl+S",
                   .handler = [](CommandCall& c) { Item_SaveClick(c.session.table, c.ui); }});
    reg.push_back({.name = "load",
                   .args = {{"FILE.vtb", Arg::Kind::File}},
                   .help = "保存した表を読込む: load the table saved in FILE.vtb",
                   .item = "Item_LoadTable",
                   .caption = "保存した表を読込む(&L)",
                   .place = {"Menu_File", 30},
                   .handler = [](CommandCall& c) { Item_LoadTableClick(c.session.table, c.ui); },
                   .replacesTable = true});
}

}  // namespace tamsel
