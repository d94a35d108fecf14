#include "io/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "io/page_array.h"
#include "text/error.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

constexpr std::size_t BufferSize = 1 << 20;
// A piece this large goes to the file as it is, not through the buffer: copying
// a table file's long cover lines once more cost as much as the kernel's copy.
constexpr std::size_t DirectSize = 64 << 10;
// Write-back is started every this many bytes, and the step before waited for.
constexpr std::uint64_t WriteBackStep = 64 << 20;

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The common causes in the user's words; the system's text for the rest.
std::string reason(int err) {
    const char* text = nullptr;
    switch (err) {
        case ENOENT:
            text = "フォルダまたはファイルがありません";
            break;
        case EACCES:
        case EPERM:
            text = "アクセスが許可されていません";
            break;
        case ENOSPC:
            text = "ディスクの空きが足りません";
            break;
        case EDQUOT:
            text = "ディスクの使用量の上限を超えます";
            break;
        case EROFS:
            text = "読み取り専用の場所です";
            break;
        case EISDIR:
            text = "フォルダです";
            break;
        case ENOTDIR:
            text = "パスの途中にフォルダでないものがあります";
            break;
        case ENAMETOOLONG:
            text = "名前が長すぎます";
            break;
        case EIO:
            text = "入出力エラーです";
            break;
        default:
            return msg(" (%1)", fromUtf8(std::strerror(err)));
    }
    return msg("（%1）", sj(text));
}

// The file a path names: a symbolic link is followed to its target (which need
// not exist yet), so that the rename replaces the target and the link stays.
std::string followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0) return path;
        target.resize(static_cast<std::size_t>(n));
        path = target.starts_with('/') ? target : folderOf(path) + "/" + target;
    }
    throw Error(msg("シンボリックリンクが循環しています: %1", fromUtf8(path)));
}

}  // namespace

int CommitSteps::sync(int fd) {
    return ::fsync(fd);
}

int CommitSteps::rename(const char* from, const char* to) {
    return ::rename(from, to);
}

CommitSteps& systemCommitSteps() {
    static CommitSteps steps;
    return steps;
}

SafeFileWriter::SafeFileWriter(std::string path, CommitSteps& steps)
    : steps_(&steps), path_(std::move(path)), realPath_(followLinks(path_)) {
    struct stat st {};
    if (::stat(realPath_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw Error(msg("保存先がフォルダです: %1", fromUtf8(path_)));
    std::string pattern = realPath_ + ".XXXXXX";
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) throw Error(msg("ファイルを作成できません: %1%2", fromUtf8(path_), reason(errno)));
    tempPath_ = std::move(pattern);
    // mkstemp makes the file private; a saved file gets the usual permissions.
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = 0666 & ~mask;
    if (::stat(realPath_.c_str(), &st) == 0) mode = st.st_mode & 07777;
    ::fchmod(fd_, mode);
    buffer_.reserve(BufferSize);
}

SafeFileWriter::~SafeFileWriter() {
    abandon();
}

void SafeFileWriter::fail(const char* utf8Pattern) {
    int err = errno;
    abandon();
    throw Error(msg(utf8Pattern, fromUtf8(path_), reason(err)));
}

void SafeFileWriter::flushBuffer() {
    writeAll(buffer_, {});
    buffer_.clear();
}

// Both pieces in order, in as few system calls as the kernel allows.
void SafeFileWriter::writeAll(std::string_view first, std::string_view second) {
    iovec piece[2] = {{const_cast<char*>(first.data()), first.size()},
                      {const_cast<char*>(second.data()), second.size()}};
    int k = 0;
    while (true) {
        while (k < 2 && piece[k].iov_len == 0) ++k;
        if (k == 2) break;
        ssize_t n = ::writev(fd_, piece + k, 2 - k);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("ファイルに書き込めません: %1%2");
        }
        written_ += static_cast<std::uint64_t>(n);
        for (auto left = static_cast<std::size_t>(n); left > 0; ++k) {
            const std::size_t taken = std::min(left, piece[k].iov_len);
            piece[k].iov_base = static_cast<char*>(piece[k].iov_base) + taken;
            piece[k].iov_len -= taken;
            left -= taken;
            if (piece[k].iov_len > 0) break;
        }
    }
    startWriteBack();
}

// A large file goes to the disk while it is written: the commit's fsync then
// finds little left, and at most two steps of it are dirty at a time, so the
// writer is not held up by the kernel's dirty-page limits and does not flood the
// page cache with dirty pages. The pages stay cached for a load that follows.
// Failures here are left to the fsync, which reports them.
void SafeFileWriter::startWriteBack() {
#if defined(__linux__)
    if (written_ - started_ < WriteBackStep) return;
    if (started_ > waited_)
        ::sync_file_range(
            fd_, static_cast<off_t>(waited_), static_cast<off_t>(started_ - waited_),
            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    waited_ = started_;
    ::sync_file_range(fd_, static_cast<off_t>(started_), static_cast<off_t>(written_ - started_),
                      SYNC_FILE_RANGE_WRITE);
    started_ = written_;
#endif
}

void SafeFileWriter::write(std::string_view bytes) {
    if (fd_ < 0) throw Error(msg("ファイルに書き込めません: %1", fromUtf8(path_)));
    if (bytes.size() >= DirectSize) {
        writeAll(buffer_, bytes);
        buffer_.clear();
        return;
    }
    if (buffer_.size() + bytes.size() > BufferSize) flushBuffer();
    buffer_.append(bytes);
}

void SafeFileWriter::commit() {
    if (fd_ < 0) throw Error(msg("ファイルに書き込めません: %1", fromUtf8(path_)));
    flushBuffer();
    if (steps_->sync(fd_) != 0) fail("ファイルに書き込めません: %1%2");
    int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) {
        fd_ = -1;
        int err = errno;
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
        throw Error(msg("ファイルに書き込めません: %1%2", fromUtf8(path_), reason(err)));
    }
    if (steps_->rename(tempPath_.c_str(), realPath_.c_str()) != 0) {
        int err = errno;
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
        throw Error(msg("ファイルを保存できません: %1%2", fromUtf8(path_), reason(err)));
    }
    tempPath_.clear();
    // The rename itself reaches the disk only when the folder is synced.
    int dir = ::open(folderOf(realPath_).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        steps_->sync(dir);
        ::close(dir);
    }
}

void SafeFileWriter::abandon() noexcept {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    buffer_.clear();
}

void writeFileSafely(const std::string& path, const std::function<void(ByteSink&)>& fill) {
    SafeFileWriter out(path);
    fill(out);
    out.commit();
}

void writeFileSafely(const std::string& path, std::string_view bytes) {
    SafeFileWriter out(path);
    out.write(bytes);
    out.commit();
}

namespace {
// Opens a regular file for reading; read(fd, sizeHint) does the reading.
template <typename Read>
void withFileForReading(const std::string& path, Read&& read) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw Error(msg("ファイルが開けません: %1%2", fromUtf8(path), reason(errno)));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw Error(msg("ファイルが開けません: %1", fromUtf8(path)));
    read(fd, static_cast<std::size_t>(st.st_size));
}

// One read(2) into buf; 0 at the end of the file.
std::size_t readSome(int fd, char* buf, std::size_t size, const std::string& path) {
    while (true) {
        ssize_t n = ::read(fd, buf, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR)
            throw Error(msg("ファイルが読めません: %1%2", fromUtf8(path), reason(errno)));
    }
}
}  // namespace

std::string readWholeFile(const std::string& path) {
    std::string bytes;
    withFileForReading(path, [&](int fd, std::size_t size) {
        bytes.resize(size);
        std::size_t got = 0;
        while (true) {
            if (got == bytes.size()) bytes.resize(bytes.size() + 65536);  // the file may grow
            std::size_t n = readSome(fd, bytes.data() + got, bytes.size() - got, path);
            if (n == 0) break;
            got += n;
        }
        bytes.resize(got);
    });
    return bytes;
}

void readFileInPieces(const std::string& path, std::size_t bufferSize,
                      const std::function<void(std::string_view)>& piece) {
    withFileForReading(path, [&](int fd, std::size_t) {
        PageArray<char> buf;
        buf.resize(std::max<std::size_t>(bufferSize, 1));
        while (std::size_t n = readSome(fd, buf.data(), buf.size(), path))
            piece(std::string_view(buf.data(), n));
    });
}

}  // namespace tamsel
