// Commands of the table file.
#include "app/session/batch.h"
#include "tablefile/table_file.h"

namespace tamsel {

void registerTableFileCommands(std::vector<BatchCommand>& reg) {
    reg.push_back({"save", "FILE.vtb", "現在の表を保存する: save the table to FILE.vtb",
                   [](BatchContext& c, ArgReader& in) {
                       c.ui.fileAnswers.push_back(in.next("FILE.vtb"));
                       Item_SaveTableClick(c.session.table, c.ui);
                   }});
    reg.push_back({"load", "FILE.vtb", "保存した表を読込む: load the table saved in FILE.vtb",
                   [](BatchContext& c, ArgReader& in) {
                       c.ui.fileAnswers.push_back(in.next("FILE.vtb"));
                       Item_LoadTableClick(c.session.table, c.ui);
                   }});
}

}  // namespace tamsel
