#include "platform/automation.h"

#include <gtest/gtest.h>

#include "support/recording_server.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

TEST(SameMember, IgnoresTheCaseOfLettersOnly) {
    struct Case {
        const char *a, *b;
        bool same;
    } cases[] = {{"close", "Close", true}, {"WorkSheets", "Worksheets", true},
                 {"Cells", "Cell", false}, {"Value", "Valuf", false},
                 {"a[", "A{", false},      {"", "", true}};
    for (const Case& c : cases) EXPECT_EQ(sameMember(c.a, c.b), c.same) << c.a << " " << c.b;
}

TEST(ServerRegistry, StartsServersByNameAndForgetsOneThatQuit) {
    ServerRegistry r;
    CallRecord record;
    addRecordingServer(r, "Excel.Application", record);
    EXPECT_THROW(r.create("Word.Application"), AutomationError);
    AutoObject app = r.create("Excel.Application");
    AutoObject books = r.object(app, "Workbooks", CallKind::Method);
    r.invoke(app, "Quit", CallKind::Method);
    EXPECT_THROW(r.invoke(books, "Add", CallKind::Method), AutomationError);
    EXPECT_THROW(r.invoke(AutoObject{}, "Add", CallKind::Method), AutomationError);
    EXPECT_EQ(record.lines, (std::vector<std::string>{"create Excel.Application",
                                                      "Excel.Application: method Workbooks()",
                                                      "Excel.Application: method Quit()"}));
}

TEST(RecordingServer, RefusesTheCallItWasToldToAndRecordsIt) {
    ServerRegistry r;
    CallRecord record;
    record.refuseCall = 2;
    addRecordingServer(r, "X", record);
    AutoObject app = r.create("X");
    EXPECT_THROW(r.invoke(app, "Go", CallKind::Method), AutomationError);
    r.invoke(app, "Go", CallKind::Method);
    EXPECT_EQ(record.lines, (std::vector<std::string>{"create X", "X: method Go()  <- refused",
                                                      "X: method Go()"}));
}

TEST(RecordingServer, DescribesArgumentsReadably) {
    // The second byte of 表 is a backslash; it must stay part of the character.
    std::string hyo = sj("表");
    // AutoArg holds views, so the texts it points at live as long as the cases.
    std::string odd = hyo + "\n\"\\\x01";
    struct Case {
        AutoArg arg;
        std::string text;
    } cases[] = {
        {AutoArg::integer(-7), "int -7"},
        {AutoArg::smallInt(-4160), "small -4160"},
        {AutoArg::textOf(odd), "text \"" + hyo + "\\n\\\"\\\\\\x01\""},
        {AutoArg::named("Filename", AutoArg::pathOf("/a b")), "Filename:=path \"/a b\""},
    };
    for (const Case& c : cases) EXPECT_EQ(describeArg(c.arg), c.text);
}

}  // namespace
}  // namespace tamsel
