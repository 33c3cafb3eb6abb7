#include "os/Files.h"

#include <utility>

namespace os {

namespace {

// Ten more tries 100 ms apart: about a second in all.
constexpr int kRetries = 10;
constexpr std::uint32_t kRetryPauseMs = 100;

template <typename Call> bool Retrying(Os& os, Call call)
{
    for (int retry = 0;; ++retry) {
        if (call())
            return true;
        const std::uint32_t error = os.GetLastError();
        if (retry == kRetries || (error != kErrorSharingViolation && error != kErrorAccessDenied))
            return false;
        os.Sleep(kRetryPauseMs);
    }
}

// The UTF-16 units of UTF-8 text, as the system counts a path's length: one
// per character, two for one beyond U+FFFF.
std::size_t Utf16Length(std::string_view text)
{
    std::size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) // not a continuation byte: a character starts
            ++units;
        if (byte >= 0xF0) // a character of four bytes: a surrogate pair
            ++units;
    }
    return units;
}

} // namespace

FileHandle::FileHandle(FileHandle&& other) noexcept
    : os_(other.os_), handle_(std::exchange(other.handle_, nullptr))
{
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        os_ = other.os_;
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

bool FileHandle::Close() noexcept
{
    return handle_ == nullptr || os_->CloseHandle(std::exchange(handle_, nullptr));
}

std::string ProgramDirectory(Os& os)
{
    constexpr std::uint32_t kMaxPath = 260;
    std::string path;
    // The call answers the buffer's size when the name did not fit.
    const std::uint32_t length = os.GetModuleFileNameW(path, kMaxPath);
    if (length == 0 || length >= kMaxPath)
        return {};
    // A name without a directory part gives no directory, rather than one
    // that is the executable's own name.
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return {};
    path.resize(slash);
    // MAX_PATH counts the terminating zero.
    if (Utf16Length(path) + kLongestProgramFileName >= kMaxPath)
        return {};
    return path;
}

std::string ProgramFile(Os& os, std::string_view name) noexcept
{
    try {
        std::string path = ProgramDirectory(os);
        if (!path.empty())
            path += name;
        return path;
    } catch (...) {
        return {};
    }
}

Found FindFile(Os& os, const std::string& path)
{
    const std::uint32_t attributes = os.GetFileAttributesW(path);
    if (attributes != kInvalidFileAttributes)
        return (attributes & kFileAttributeDirectory) == 0 ? Found::File : Found::Nothing;
    return os.GetLastError() == kErrorFileNotFound ? Found::Nothing : Found::Unknown;
}

std::optional<std::string> ReadWholeFile(Os& os, const std::string& path, std::size_t limit)
{
    // Others may read along, nobody may write while we read.
    const FileHandle file(os, os.CreateFileW(path, kGenericRead, kFileShareRead, kOpenExisting));
    if (!file)
        return std::nullopt;
    // Asked first, so that a huge file is refused before any of it is read.
    std::int64_t size = 0;
    if (!os.GetFileSizeEx(file.get(), &size) || size < 0 ||
        static_cast<std::uint64_t>(size) > limit)
        return std::nullopt;

    // Nobody writes while we hold it, and the settings are a few dozen bytes:
    // one call reads them all, and one that brings fewer counts as failed.
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::uint32_t got = 0;
    if (!os.ReadFile(file.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), &got) ||
        got != bytes.size())
        return std::nullopt;
    return bytes;
}

bool WriteWholeFile(Os& os, const std::string& path, std::string_view bytes)
{
    FileHandle file(os, os.CreateFileW(path, kGenericWrite, 0, kCreateAlways));
    if (!file)
        return false;
    // A few dozen bytes to a disk file: one call writes them all, or fails.
    std::uint32_t written = 0;
    if (!os.WriteFile(file.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                      &written) ||
        written != bytes.size())
        return false;
    // On the disk before the handle goes, so that a file moved over the old
    // one next never takes its place with its bytes still in the cache.
    return os.FlushFileBuffers(file.get()) && file.Close();
}

bool MoveFileRetrying(Os& os, const std::string& from, const std::string& to, std::uint32_t flags)
{
    return Retrying(os, [&] { return os.MoveFileExW(from, to, flags); });
}

bool DeleteFileRetrying(Os& os, const std::string& path)
{
    return Retrying(os, [&] { return os.DeleteFileW(path); });
}

} // namespace os
