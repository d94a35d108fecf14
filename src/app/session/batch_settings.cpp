// Commands of the settings file.
#include <filesystem>

#include "app/session/batch.h"
#include "app/session/settings.h"

namespace tamsel {

namespace {

// The menu command makes the program's folder current; on the command line the
// paths of the later commands still mean the folder the user runs it in.
class KeepCurrentFolder {
  public:
    KeepCurrentFolder() : saved_(std::filesystem::current_path(ec_)) {}
    ~KeepCurrentFolder() {
        std::error_code ec;
        if (!ec_) std::filesystem::current_path(saved_, ec);
    }

  private:
    std::error_code ec_;
    std::filesystem::path saved_;
};

}  // namespace

void registerSettingsCommands(std::vector<BatchCommand>& reg) {
    reg.push_back({.name = "ini",
                   .usage = "FILE",
                   .help = "設定ファイル読込み: read the settings file FILE and blank the table",
                   .run =
                       [](BatchContext& c, ArgReader& in) {
                           std::string file = std::filesystem::absolute(in.next("FILE")).string();
                           KeepCurrentFolder keep;
                           c.ui.fileAnswers.push_back(file);
                           ItemReadINIClick(c.session, c.ui);
                       },
                   .item = "ItemReadINI",
                   .caption = "設定ファイル読込み(&I)",
                   .place = {"Menu_Settings", 10},
                   .click = [](Session& s, Ui& ui) { ItemReadINIClick(s, ui); },
                   .replacesTable = true});
}

}  // namespace tamsel
