// Commands of the table file.
#include "app/session/batch.h"
#include "tablefile/table_file.h"

namespace tamsel {

void registerTableFileCommands(std::vector<BatchCommand>& reg) {
    reg.push_back({.name = "save",
                   .usage = "FILE.vtb",
                   .help = "現在の表を保存する: save the table to FILE.vtb",
                   .run =
                       [](BatchContext& c, ArgReader& in) {
                           c.ui.fileAnswers.push_back(in.next("FILE.vtb"));
                           Item_SaveTableClick(c.session.table, c.ui);
                       },
                   .item = "Item_SaveTable",
                   .caption = "名前を付けて保存(&A)…",
                   .place = {"Menu_File", 40},
                   .click = [](Session& s, Ui& ui) { Item_SaveTableClick(s.table, ui); },
                   .shortcut = "Ctrl+Shift+S"});
    reg.push_back({.item = "Item_Save",
                   .caption = "上書き保存(&S)",
                   .place = {"Menu_File", 39, true},
                   .click = [](Session& s, Ui& ui) { Item_SaveClick(s.table, ui); },
                   .shortcut = "Ctrl+S"});
    reg.push_back({.name = "load",
                   .usage = "FILE.vtb",
                   .help = "保存した表を読込む: load the table saved in FILE.vtb",
                   .run =
                       [](BatchContext& c, ArgReader& in) {
                           c.ui.fileAnswers.push_back(in.next("FILE.vtb"));
                           Item_LoadTableClick(c.session.table, c.ui);
                       },
                   .item = "Item_LoadTable",
                   .caption = "保存した表を読込む(&L)",
                   .place = {"Menu_File", 30},
                   .click = [](Session& s, Ui& ui) { Item_LoadTableClick(s.table, ui); },
                   .replacesTable = true});
}

}  // namespace tamsel
