// Commands of the table file.
#include "app/session/batch.h"

namespace tamsel {

void registerTableFileCommands(std::vector<BatchCommand>& reg) { (void)reg; }

}  // namespace tamsel
