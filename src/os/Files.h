// Files and the program's own directory, made of the seam's single calls.
// Portable, so that the tests can fail each of those calls in turn.
#pragma once

#include "os/Os.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace os {

// Owns one handle from the seam and closes it when it goes, so that no way
// out of a function (an early return, an exception) leaves a file open: an
// open handle would keep the next save from replacing the file.
class FileHandle {
  public:
    FileHandle() = default;
    // Takes `handle` as CreateFileW returned it; nullptr owns nothing.
    FileHandle(Os& os, Handle handle) noexcept : os_(&os), handle_(handle) {}
    ~FileHandle() { Close(); }

    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

    // Closes now. A failed close of a file just written can mean its data
    // never arrived, so the writer asks; the destructor does not.
    bool Close() noexcept;

  private:
    Os* os_ = nullptr;
    Handle handle_ = nullptr;
};

// The longest name the program puts after its directory, with its separator:
// the settings' temporary file, "\\Tollivane.ini.tmp" (Settings.cpp checks).
inline constexpr std::size_t kLongestProgramFileName = 18;

// The directory of the running executable, without a trailing separator;
// empty when the system cannot tell it, or when a path of the directory and
// kLongestProgramFileName characters after it would pass MAX_PATH: without
// long-path support, no call could use that path, and the settings would be
// read from a folder where they can never be saved.
std::string ProgramDirectory(Os& os);

// A file beside the program: its directory + `name`, which brings its own
// separator. Empty when the directory is unknown (or memory ran out): the
// name alone would point at the root of the current drive, where the file is
// not ours.
std::string ProgramFile(Os& os, std::string_view name) noexcept;

// What a look-up of a path found. Unknown: the system could not tell (a
// drive not ready, a network path that failed, access refused), so a file
// may well be there. A path not found is Unknown too: the program looks up
// files in its own folder only, which is there while the program runs, so a
// folder on the way that is not found is one that could not be reached, as
// when a network drive drops out.
enum class Found { File, Nothing, Unknown };
Found FindFile(Os& os, const std::string& path);

// The whole file; nothing when it cannot be opened or read, or when it holds
// more than `limit` bytes.
std::optional<std::string> ReadWholeFile(Os& os, const std::string& path, std::size_t limit);

// Creates or empties the file and writes the bytes, flushed to the disk.
// False when any of that failed; the file may then hold part of them.
bool WriteWholeFile(Os& os, const std::string& path, std::string_view bytes);

// MoveFileExW and DeleteFileW, tried again for about a second while they fail
// with a sharing violation or access denied: what a virus scanner causes that
// opens a file just written and lets go of it moments later. A read-only file
// is refused with access denied too, and so only after that second. Any other
// failure is final at once.
bool MoveFileRetrying(Os& os, const std::string& from, const std::string& to, std::uint32_t flags);
bool DeleteFileRetrying(Os& os, const std::string& path);

} // namespace os
