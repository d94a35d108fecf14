// Commands of hand editing and reciprocal averaging.
#include "app/session/batch.h"

namespace tamsel {

void registerEditCommands(std::vector<BatchCommand>& reg) { (void)reg; }

}  // namespace tamsel
