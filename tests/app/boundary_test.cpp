// The command boundary of the command line: only an Error or a fault of the program
// ends a run with status 1; a shown message is a note and the run goes on.
#include <gtest/gtest.h>

#include <functional>
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
    auto command = [](const char* name, std::function<void(CommandCall&)> handler) {
        return BatchCommand{.name = name, .handler = std::move(handler)};
    };
    std::vector<BatchCommand> reg = {
        command("say", [](CommandCall& c) { c.ui.message(sj("お知らせ")); }),
        command("refuse", [](CommandCall&) { throw Error(sj("できません")); }),
        command("bug", [](CommandCall&) { throw std::out_of_range("vector index"); }),
        command("old-refusal",
                [](CommandCall& c) {
                    refusing(static_cast<BatchUi&>(c.ui), [&] { c.ui.message(sj("古い断り")); });
                }),
        command("mark", [](CommandCall& c) { c.out << "ran\n"; }),
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
