#include "os/Files.h"

#include <algorithm>
#include <utility>

namespace os {

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
    if (handle_ == nullptr)
        return true;
    const Handle handle = std::exchange(handle_, nullptr);
    try {
        return os_->CloseHandle(handle);
    } catch (...) {
        // Only a test's platform throws here; the handle counts as closed.
        return false;
    }
}

std::string ProgramDirectory(Os& os)
{
    // Long paths are rare but allowed: grow until the name fits, but not past
    // the longest path the system has, whatever the call keeps answering.
    constexpr std::uint32_t kFirstSize = 260; // MAX_PATH
    constexpr std::uint32_t kLongestPath = 32768;
    std::string path;
    for (std::uint32_t size = kFirstSize;; size *= 2) {
        const std::uint32_t length = os.GetModuleFileNameW(path, size);
        if (length == 0)
            return {};
        if (length < size)
            break;
        if (size >= kLongestPath)
            return {};
    }
    // A name without a directory part gives no directory, rather than one
    // that is the executable's own name.
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return {};
    path.resize(slash);
    return path;
}

bool FileExists(Os& os, const std::string& path)
{
    const std::uint32_t attributes = os.GetFileAttributesW(path);
    return attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory) == 0;
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

    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    char chunk[4096];
    // The file may grow while it is read; the limit holds for what is read,
    // not only for the size announced, so the loop ends either way.
    for (;;) {
        std::uint32_t got = 0;
        if (!os.ReadFile(file.get(), chunk, sizeof chunk, &got))
            return std::nullopt;
        if (got == 0)
            return bytes;
        if (got > sizeof chunk || got > limit - bytes.size())
            return std::nullopt;
        bytes.append(chunk, got);
    }
}

WriteResult WriteWholeFile(Os& os, const std::string& path, std::string_view bytes)
{
    FileHandle file(os, os.CreateFileW(path, kGenericWrite, 0, kCreateAlways));
    if (!file)
        return WriteResult::NotCreated;
    // A call may write less than it was given; what is left goes again.
    constexpr std::size_t kMostPerCall = std::size_t{1} << 20;
    while (!bytes.empty()) {
        const auto size = static_cast<std::uint32_t>(std::min(bytes.size(), kMostPerCall));
        std::uint32_t written = 0;
        if (!os.WriteFile(file.get(), bytes.data(), size, &written) || written == 0 ||
            written > size)
            return WriteResult::Failed;
        bytes.remove_prefix(written);
    }
    // On the disk before the handle goes, so that a file moved over the old
    // one next never takes its place with its bytes still in the cache.
    if (!os.FlushFileBuffers(file.get()))
        return WriteResult::Failed;
    return file.Close() ? WriteResult::Written : WriteResult::Failed;
}

} // namespace os
