// The one way the program writes a file: into a uniquely named temporary file
// beside the target, flushed and synced, then renamed over the target. A write
// that fails or is abandoned removes the temporary file and leaves the old
// target exactly as it was. A target reached through a symbolic link is written
// where the link points, and the link stays. Paths are native (the bytes the
// file system takes).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "io/byte_sink.h"

namespace tamsel {

// The steps of a commit that make the file durable and put it in place. Each
// returns 0, or -1 with errno set, as the system calls do. The default makes
// those calls; tests put in their own to watch the order or make a step fail.
class CommitSteps {
  public:
    virtual ~CommitSteps() = default;
    virtual int sync(int fd);
    virtual int rename(const char* from, const char* to);
};
CommitSteps& systemCommitSteps();

class SafeFileWriter : public ByteSink {
  public:
    // Creates the temporary file; throws Error naming the target when the folder
    // cannot take it. steps must outlive the writer.
    explicit SafeFileWriter(std::string path, CommitSteps& steps = systemCommitSteps());
    ~SafeFileWriter() override;  // abandons the file unless committed
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    void write(std::string_view bytes) override;  // buffered; throws Error
    // Flushes, syncs, closes and renames over the target, then syncs the folder.
    // Throws Error naming the target; the old target is then untouched.
    void commit();
    // Removes the temporary file; the target stays as it was. Safe to call twice.
    void abandon() noexcept;

    const std::string& path() const { return path_; }

  private:
    void flushBuffer();
    void writeAll(std::string_view first, std::string_view second);
    void startWriteBack();
    // Throws the message of utf8Pattern with %1 the file and %2 why (errno).
    [[noreturn]] void fail(const char* utf8Pattern);

    CommitSteps* steps_;
    std::string path_;
    std::string realPath_;  // path_ with symbolic links followed
    std::string tempPath_;
    int fd_ = -1;
    std::string buffer_;
    // Bytes written; where write-back was started last, and up to where it was waited for.
    std::uint64_t written_ = 0, started_ = 0, waited_ = 0;
};

// Writes a whole file through SafeFileWriter: fill writes the content to the
// sink; an exception from fill abandons the file and travels on.
void writeFileSafely(const std::string& path, const std::function<void(ByteSink&)>& fill);
void writeFileSafely(const std::string& path, std::string_view bytes);

// Reads a whole regular file; throws Error naming the file when it cannot be
// opened or read, or is not a regular file.
std::string readWholeFile(const std::string& path);
// The same through a buffer of bufferSize bytes: piece gets each read's bytes in
// order, so a file of any size is read in that much memory.
void readFileInPieces(const std::string& path, std::size_t bufferSize,
                      const std::function<void(std::string_view)>& piece);

}  // namespace tamsel
