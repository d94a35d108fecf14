#include "platform/xlsx/workbook_server.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace tamsel {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// A started server with its workbook and sheet; working files in work.
struct Book {
    explicit Book(const std::string& work) {
        fs::create_directories(work);
        addWorkbookServer(servers, work);
        app = servers.create("Excel.Application");
        book = servers.object(servers.object(app, "Workbooks", CallKind::Method), "Add",
                              CallKind::Method);
        sheet = servers.object(book, "WorkSheets", CallKind::PropertyGet, {AutoArg::integer(1)});
    }
    AutoObject cell(int row, int col) {
        return servers.object(sheet, "Cells", CallKind::PropertyGet,
                              {AutoArg::integer(row), AutoArg::integer(col)});
    }
    void put(int row, int col, AutoArg value) {
        servers.invoke(cell(row, col), "Value", CallKind::PropertyPut, {value});
    }
    void saveAs(const std::string& path) {
        servers.invoke(book, "SaveAs", CallKind::Method,
                       {AutoArg::named("Filename", AutoArg::pathOf(path))});
    }
    void finish() {
        servers.invoke(book, "close", CallKind::Method);
        servers.invoke(app, "Quit", CallKind::Method);
    }

    ServerRegistry servers;
    AutoObject app, book, sheet;
};

TEST(WorkbookServer, StartsInvisibleAndEndsOnQuit) {
    TempDir dir;
    Book b(dir.file("work"));
    AutoResult visible = b.servers.invoke(b.app, "Visible", CallKind::PropertyGet);
    EXPECT_EQ(visible.type, AutoResult::Type::Integer);
    EXPECT_EQ(visible.number, 0);
    b.finish();
    EXPECT_THROW(b.servers.invoke(b.app, "Workbooks", CallKind::Method), AutomationError);
    EXPECT_TRUE(fs::is_empty(dir.file("work")));  // no working file left behind
}

TEST(WorkbookServer, GoingBackToAnEarlierRowIsRefusedAndTheRestStillSaves) {
    TempDir dir;
    Book b(dir.file("work"));
    b.put(1, 1, AutoArg::textOf("a"));
    b.put(2, 5, AutoArg::integer(5));
    b.put(2, 1, AutoArg::textOf("b"));  // an earlier column of the same row is fine
    AutoObject kept = b.cell(2, 2);
    b.put(3, 1, AutoArg::textOf("c"));
    EXPECT_THROW(b.cell(1, 2), AutomationError);
    EXPECT_THROW(b.servers.invoke(kept, "Value", CallKind::PropertyPut, {AutoArg::integer(1)}),
                 AutomationError);
    std::string out = dir.file("out.xlsx");
    b.saveAs(out);
    b.finish();
    EXPECT_EQ(contentOf(out).substr(0, 2), "PK");
    EXPECT_TRUE(fs::is_empty(dir.file("work")));
}

TEST(WorkbookServer, RefusesWhatItDoesNotKnow) {
    TempDir dir;
    Book b(dir.file("work"));
    using K = CallKind;
    struct Case {
        const char* what;
        std::function<void()> call;
    } cases[] = {
        {"second sheet",
         [&] { b.servers.invoke(b.book, "WorkSheets", K::PropertyGet, {AutoArg::integer(2)}); }},
        {"row 0", [&] { b.cell(0, 1); }},
        {"column past the last", [&] { b.cell(1, 16385); }},
        {"row past the last", [&] { b.cell(1048577, 1); }},
        {"unknown member",
         [&] { b.servers.invoke(b.cell(1, 1), "Font", K::PropertyPut, {AutoArg::integer(1)}); }},
        {"value read", [&] { b.servers.invoke(b.cell(1, 1), "Value", K::PropertyGet); }},
        {"unknown alignment",
         [&] {
             b.servers.invoke(b.cell(1, 1), "HorizontalAlignment", K::PropertyPut,
                              {AutoArg::smallInt(5)});
         }},
        {"second workbook",
         [&] {
             b.servers.invoke(b.servers.object(b.app, "Workbooks", K::Method), "Add", K::Method);
         }},
        {"text too long", [&] { b.put(1, 1, AutoArg::textOf(std::string(32768, 'x'))); }},
    };
    for (const Case& c : cases) EXPECT_THROW(c.call(), AutomationError) << c.what;
}

TEST(WorkbookServer, SaveAsReplacesTheTargetOnlyWithACompleteWorkbook) {
    TempDir dir;
    std::string target = dir.file("t.xlsx");
    std::ofstream(target) << "old";
    {
        // The workbook cannot be written (its working folder is gone): the
        // old file stays.
        Book b(dir.file("gone"));
        b.put(1, 1, AutoArg::textOf("new"));
        fs::remove_all(dir.file("gone"));
        EXPECT_THROW(b.saveAs(target), AutomationError);
        EXPECT_EQ(contentOf(target), "old");
    }
    {
        // A folder that does not exist: refused, nothing made.
        Book b(dir.file("work"));
        EXPECT_THROW(b.saveAs(dir.file("no/such/t.xlsx")), AutomationError);
        EXPECT_FALSE(fs::exists(dir.file("no")));
    }
    Book b(dir.file("work"));
    b.put(1, 1, AutoArg::textOf("new"));
    b.saveAs(target);
    b.finish();
    EXPECT_EQ(contentOf(target).substr(0, 2), "PK");
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);  // no temporary file beside the target
}

}  // namespace
}  // namespace tamsel
