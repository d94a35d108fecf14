#include "io/safe_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <stdexcept>

#include "platform/error.h"
#include "support/temp_dir.h"
#include "text/sjis.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

const std::string oldBytes("OLD\r\n\0\x81\x40 kept", 14);

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every entry of the folder tree, to see that nothing was left behind.
std::vector<std::string> entries(const TempDir& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        out.push_back(e.path().lexically_relative(dir.path()).string());
    std::sort(out.begin(), out.end());
    return out;
}

// More than the writer's buffer, so that part of it reaches the temporary file
// before the failure.
const std::string bigChunk(3 * 1024 * 1024 + 17, '\x82');

TEST(SafeFileWriter, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    struct Case {
        const char* what;
        std::string target;  // relative to the folder
        std::function<void(ByteSink&)> fill;
    } cases[] = {
        {"target in a missing folder", "missing/t.vtb", [](ByteSink& s) { s.write("x"); }},
        {"target that is a folder", "folder", [](ByteSink& s) { s.write("x"); }},
        {"exception in the middle of the fill", "t.vtb",
         [](ByteSink& s) {
             s.write(bigChunk);
             s.write("more");
             throw std::runtime_error("stopped");
         }},
        {"error before anything was written", "t.vtb",
         [](ByteSink&) { throw Error(sj("途中で止めました")); }},
    };
    for (const Case& c : cases) {
        TempDir dir;
        put(dir.file("t.vtb"), oldBytes);
        fs::create_directory(dir.path() / "folder");
        const std::vector<std::string> before = entries(dir);
        EXPECT_ANY_THROW(writeFileSafely(dir.file(c.target), c.fill)) << c.what;
        EXPECT_EQ(contentOf(dir.file("t.vtb")), oldBytes) << c.what;
        EXPECT_EQ(entries(dir), before) << c.what;
    }
}

// The commit's steps as they happen: "sync file" or "sync folder", and
// "rename synced" when the renamed file was synced before (else "unsynced").
// The step named failing fails with error instead of being made.
struct WatchedSteps : CommitSteps {
    std::vector<std::string> seen;
    std::set<ino_t> synced;
    std::string failing;
    int error = 0;

    int sync(int fd) override {
        struct stat st {};
        ::fstat(fd, &st);
        seen.push_back(S_ISDIR(st.st_mode) ? "sync folder" : "sync file");
        if (failing == "sync") return failWith();
        if (CommitSteps::sync(fd) != 0) return -1;
        synced.insert(st.st_ino);
        return 0;
    }
    int rename(const char* from, const char* to) override {
        struct stat st {};
        ::stat(from, &st);
        seen.push_back(synced.count(st.st_ino) ? "rename synced" : "rename unsynced");
        if (failing == "rename") return failWith();
        return CommitSteps::rename(from, to);
    }
    int failWith() {
        errno = error;
        return -1;
    }
};

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(SafeFileWriter, SyncsBeforeTheRenameAndAFailedStepKeepsTheOldFile) {
    struct Case {
        const char* failing;  // "" for none
        int error;
        const char* target;  // "t.vtb" holds oldBytes; "new.vtb" does not exist
        std::vector<std::string> seen;
        const char* reason;  // in the error, after the file's name
    } const cases[] = {
        {"", 0, "t.vtb", {"sync file", "rename synced", "sync folder"}, nullptr},
        {"", 0, "new.vtb", {"sync file", "rename synced", "sync folder"}, nullptr},
        {"sync", EIO, "t.vtb", {"sync file"}, "（入出力エラーです）"},
        {"sync", ENOSPC, "new.vtb", {"sync file"}, "（ディスクの空きが足りません）"},
        {"rename", EROFS, "t.vtb", {"sync file", "rename synced"}, "（読み取り専用の場所です）"},
        {"rename", EISDIR, "new.vtb", {"sync file", "rename synced"}, "（フォルダです）"},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.target) + " " + (*c.failing ? c.failing : "none");
        TempDir dir;
        put(dir.file("t.vtb"), oldBytes);
        const ino_t oldFile = inodeOf(dir.file("t.vtb"));
        const std::vector<std::string> before = entries(dir);
        const std::string path = dir.file(c.target);
        WatchedSteps steps;
        steps.failing = c.failing;
        steps.error = c.error;
        try {
            SafeFileWriter out(path, steps);
            out.write(bigChunk);
            out.commit();
            EXPECT_EQ(c.reason, nullptr) << what << ": no error";
            EXPECT_EQ(contentOf(path), bigChunk) << what;
        } catch (const Error& e) {
            ASSERT_NE(c.reason, nullptr) << what << ": " << toUtf8(e.what());
            const std::string message = e.what();
            EXPECT_NE(message.find(fromUtf8(path) + sj(c.reason)), std::string::npos)
                << what << ": " << toUtf8(message);
            EXPECT_EQ(entries(dir), before) << what;  // no temporary file, no new file
            EXPECT_EQ(contentOf(dir.file("t.vtb")), oldBytes) << what;
            EXPECT_EQ(inodeOf(dir.file("t.vtb")), oldFile) << what;
        }
        EXPECT_EQ(steps.seen, c.seen) << what;
    }
}

TEST(SafeFileWriter, ErrorsNameTheTargetAndFillExceptionsTravelOn) {
    TempDir dir;
    try {
        writeFileSafely(dir.file("missing/t.vtb"), "x");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("missing/t.vtb"), std::string::npos) << e.what();
    }
    EXPECT_THROW(writeFileSafely(dir.file("t.vtb"),
                                 [](ByteSink&) -> void { throw std::invalid_argument("mine"); }),
                 std::invalid_argument);
}

TEST(SafeFileWriter, AWriterNeverCommittedLeavesNothing) {
    TempDir dir;
    put(dir.file("t.vtb"), oldBytes);
    {
        SafeFileWriter w(dir.file("t.vtb"));
        w.write(bigChunk);
    }
    EXPECT_EQ(contentOf(dir.file("t.vtb")), oldBytes);
    EXPECT_EQ(entries(dir), std::vector<std::string>{"t.vtb"});
}

TEST(SafeFileWriter, ReplacesTheWholeFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.file("t.vtb");
    put(path, std::string(5 * 1024 * 1024, 'o'));  // longer than the new content
    ::chmod(path.c_str(), 0640);
    std::string expected = "head\r\n" + bigChunk + std::string("\0tail", 5);
    writeFileSafely(path, [&](ByteSink& s) {
        s.write("head\r\n");
        s.write(bigChunk);
        s.put('\0');
        s << "tail";
    });
    EXPECT_EQ(contentOf(path), expected);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(dir), std::vector<std::string>{"t.vtb"});

    writeFileSafely(dir.file("new.txt"), std::string_view("a\0b", 3));
    EXPECT_EQ(contentOf(dir.file("new.txt")), std::string("a\0b", 3));
}

// A name reached through links (relative ones, from another folder, one that
// points at a file not yet made) is written where the links lead; the links stay.
TEST(SafeFileWriter, WritesThroughSymbolicLinksAndKeepsThem) {
    TempDir dir;
    fs::create_directories(dir.file("real"));
    fs::create_directories(dir.file("links"));
    put(dir.file("real/t.vtb"), oldBytes);
    fs::create_symlink("../real/t.vtb", dir.file("links/hop"));
    fs::create_symlink("hop", dir.file("links/t.vtb"));
    fs::create_symlink("../real/new.vtb", dir.file("links/new.vtb"));
    writeFileSafely(dir.file("links/t.vtb"), "new");
    writeFileSafely(dir.file("links/new.vtb"), "made");
    EXPECT_EQ(contentOf(dir.file("real/t.vtb")), "new");
    EXPECT_EQ(contentOf(dir.file("real/new.vtb")), "made");
    for (const char* link : {"links/t.vtb", "links/hop", "links/new.vtb"})
        EXPECT_TRUE(fs::is_symlink(dir.file(link))) << link;
    EXPECT_EQ(entries(dir),
              (std::vector<std::string>{"links", "links/hop", "links/new.vtb", "links/t.vtb",
                                        "real", "real/new.vtb", "real/t.vtb"}));
}

TEST(ReadWholeFile, BytesAsStoredOrAnErrorNamingTheFile) {
    TempDir dir;
    std::string bytes = bigChunk + std::string("\0\r\n", 3);
    put(dir.file("a.bin"), bytes);
    EXPECT_EQ(readWholeFile(dir.file("a.bin")), bytes);
    put(dir.file("empty"), "");
    EXPECT_EQ(readWholeFile(dir.file("empty")), "");
    for (const char* name : {"none.vtb", "sub"}) {
        fs::create_directory(dir.path() / "sub");
        try {
            readWholeFile(dir.file(name));
            ADD_FAILURE() << name << ": no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace tamsel
