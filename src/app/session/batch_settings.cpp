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
    // The dialog's fields as options, then the settings file to write them into.
    std::vector<Arg> args;
    const char* const classes[] = {"--r", "--plus", "--1", "--2", "--3", "--4", "--5"};
    for (int f = 0; f < 7; ++f)
        args.push_back({.name = classes[f], .kind = Arg::Kind::Field, .value = "P", .field = f});
    args.push_back(
        {.name = "--layers", .kind = Arg::Kind::Field, .value = "sum|independent", .field = 7});
    args.push_back({.name = "--ini", .kind = Arg::Kind::File, .value = "FILE"});
    reg.push_back({.name = "cover-values",
                   .args = args,
                   .help = "被度の換算: the percent of cover r, +, 1..5 and how layers merge; "
                           "--ini writes the values into the settings file FILE",
                   .item = "Item_CoverValues",
                   .caption = "被度の換算…",
                   .place = {"Menu_Settings", 15},
                   .handler = [](CommandCall& c) { Item_CoverValuesClick(c.session, c.ui); }});
}

}  // namespace tamsel
