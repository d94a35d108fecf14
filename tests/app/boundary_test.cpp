// The command boundary of the command line: only an Error or a fault of the program
// ends a run with status 1; a shown message is a note and the run goes on.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "app/session/batch.h"
#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome runWith(const std::vector<std::string>& args) {
    std::vector<BatchCommand> reg = {
        {"say", "", "", [](BatchContext& c, ArgReader&) { c.ui.message(sj("お知らせ")); }},
        {"refuse", "", "", [](BatchContext&, ArgReader&) { throw Error(sj("できません")); }},
        {"bug", "", "", [](BatchContext&, ArgReader&) { throw std::out_of_range("vector index"); }},
        {"old-refusal", "", "",
         [](BatchContext& c, ArgReader&) { refusing(c, [&] { c.ui.message(sj("古い断り")); }); }},
        {"mark", "", "", [](BatchContext& c, ArgReader&) { c.out << "ran\n"; }},
    };
    std::ostringstream out, err;
    int status = runBatchWith(reg, args, out, err);
    return {status, out.str(), err.str()};
}

TEST(BatchBoundary, OnlyErrorsDecideTheStatus) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;  // exactly, UTF-8
        std::string out;
    } cases[] = {
        {{"say", "say", "mark"}, 0, "note: お知らせ\nnote: お知らせ\n", "ran\n"},
        {{"say", "refuse", "mark"}, 1, "note: お知らせ\nerror: できません\n", ""},
        {{"mark", "bug", "mark"},
         1,
         "error: 内部エラーが起きました（bug）: vector index\n",
         "ran\n"},
        {{"old-refusal", "mark"}, 1, "error: 古い断り\n", ""},
    };
    for (const Case& c : cases) {
        Outcome r = runWith(c.args);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, c.out) << c.err;
    }
}

}  // namespace
}  // namespace tamsel
