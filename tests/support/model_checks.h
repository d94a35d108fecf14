// The table model compared and checked as gtest assertions name it.
#pragma once

#include <gtest/gtest.h>

#include "platform/error.h"
#include "table/composition_table.h"
#include "text/sjis.h"

namespace tamsel::testing {

// Every invariant of the model holds; else the one broken, named.
inline ::testing::AssertionResult invariantsHold(const CompositionTable& t) {
    try {
        t.checkInvariants();
        return ::testing::AssertionSuccess();
    } catch (const Error& e) {
        return ::testing::AssertionFailure() << toUtf8(e.what());
    }
}

}  // namespace tamsel::testing
