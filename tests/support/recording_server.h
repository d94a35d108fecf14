// An automation server for tests: keeps every call as a readable line and can be
// told to refuse one call. Objects are named after the call that gave them, so
// a line reads "Cells(3,1): put Value(text \"'T1\")".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/automation.h"

namespace tamsel {

struct CallRecord {
    std::vector<std::string> lines;  // one per call, the creation first
    int refuseCall = 0;              // 1-based call to refuse (1: the creation); 0: none
};

// The readable form of one argument: int 3, small -4160, text "a\nb",
// Filename:=path "x".
std::string describeArg(const AutoArg& a);

// Registers under name a server that records into record. A refused creation
// is recorded like any other call.
void addRecordingServer(ServerRegistry& registry, std::string name, CallRecord& record);

}  // namespace tamsel
