// Commands of choosing relevés, the dictionary, recount and sorts.
#include "app/session/batch.h"

namespace tamsel {

void registerBuildCommands(std::vector<BatchCommand>& reg) { (void)reg; }

}  // namespace tamsel
