// Commands of the settings file.
#include "app/session/batch.h"
#include "app/session/settings.h"

namespace tamsel {

void registerSettingsCommands(std::vector<Command>& reg) {
    // The menu command makes the program's folder current: the file is named in
    // the folder the user runs the command line in.
    reg.push_back({.name = "ini",
                   .args = {{.name = "FILE", .kind = Arg::Kind::File, .absolute = true}},
                   .help = "設定ファイル読込み: read the settings file FILE and blank the table",
                   .item = "ItemReadINI",
                   .caption = "設定ファイル読込み(&I)",
                   .place = {"Menu_Settings", 10},
                   .handler = [](CommandCall& c) { ItemReadINIClick(c.session, c.ui); },
                   .replacesTable = true});
}

}  // namespace tamsel
