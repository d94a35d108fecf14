// Commands of the settings file.
#include "app/session/batch.h"

namespace tamsel {

void registerSettingsCommands(std::vector<BatchCommand>& reg) { (void)reg; }

}  // namespace tamsel
