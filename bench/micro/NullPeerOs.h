// An operating system for micro-benchmarks of the link alone: the section is
// plain memory and the "simulator" behind the message answers at once,
// filling only the handshake's two variables. What a benchmark then times is
// the client's own work, queueing a batch and walking the replies, with
// nothing of a real message round trip in it.
#pragma once

#include "os/Os.h"
#include "simlink/Protocol.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace micro {

using os::Atom;
using os::Handle;
using os::Window;

class NullPeerOs : public os::Os {
  public:
    Window FindWindowExA(const char*) override { return this; }
    std::uint32_t RegisterWindowMessageA(const char*) override { return 0xC100; }
    bool SendMessageTimeoutA(Window, std::uint32_t, std::uintptr_t, std::intptr_t, std::uint32_t,
                             std::uint32_t, std::uintptr_t* reply) override
    {
        AnswerHandshake();
        *reply = simlink::kReplyDone;
        return true;
    }
    Atom GlobalAddAtomA(const char*) override { return 0xC001; }
    Atom GlobalDeleteAtom(Atom) override { return 0; }
    Handle CreateFileMappingA(std::uint32_t, const char*) override { return this; }
    void* MapViewOfFile(Handle) override { return block_.data(); }
    bool UnmapViewOfFile(void*) override { return true; }
    bool CloseHandle(Handle) override { return true; }
    std::uint32_t GetCurrentProcessId() override { return 0x1A4; }
    std::uint32_t GetLastError() override { return 0; }
    void Sleep(std::uint32_t) override {}
    Handle CreateThread(ThreadStart, void*) override { return nullptr; }
    Handle CreateEventW() override { return nullptr; }
    bool SetEvent(Handle) override { return false; }
    bool ResetEvent(Handle) override { return false; }
    std::uint32_t WaitForSingleObject(Handle, std::uint32_t) override { return os::kWaitTimeout; }
    bool PostMessageW(Window, std::uint32_t, std::uintptr_t, std::intptr_t) override
    {
        return false;
    }
    std::int16_t GetAsyncKeyState(std::int32_t) override { return 0; }
    std::uint32_t GetModuleFileNameW(std::string&, std::uint32_t) override { return 0; }
    std::uint32_t GetFileAttributesW(const std::string&) override
    {
        return os::kInvalidFileAttributes;
    }
    Handle CreateFileW(const std::string&, std::uint32_t, std::uint32_t, std::uint32_t) override
    {
        return nullptr;
    }
    bool GetFileSizeEx(Handle, std::int64_t*) override { return false; }
    bool ReadFile(Handle, void*, std::uint32_t, std::uint32_t*) override { return false; }
    bool WriteFile(Handle, const void*, std::uint32_t, std::uint32_t*) override { return false; }
    bool FlushFileBuffers(Handle) override { return false; }
    bool MoveFileExW(const std::string&, const std::string&, std::uint32_t) override
    {
        return false;
    }
    bool DeleteFileW(const std::string&) override { return false; }
    bool sndPlaySoundW(const std::string&, std::uint32_t) override { return true; }
    int MessageBoxW(Window, const std::string&, const std::string&, std::uint32_t) override
    {
        return 1;
    }
    std::intptr_t ShellExecuteW(Window, const std::string&, const std::string&, const std::string&,
                                const std::string&, int) override
    {
        return 33;
    }

  private:
    // Only the handshake's reads get an answer; every other reply area stays
    // as the client zeroed it.
    void AnswerHandshake()
    {
        std::uint32_t type = 0;
        std::memcpy(&type, block_.data(), 4);
        std::uint32_t offset = 0;
        std::memcpy(&offset, block_.data() + simlink::kFieldOffset, 4);
        if (type != simlink::kRecordRead || offset != simlink::kOffsetVersion)
            return;
        const std::uint32_t version = simlink::kMinimumVersion;
        const std::uint32_t id = simlink::kIdMarker << 16 | 6;
        std::memcpy(block_.data() + simlink::kReadHeaderSize, &version, 4);
        std::memcpy(block_.data() + 2 * simlink::kReadHeaderSize + 4, &id, 4);
    }

    std::array<std::uint8_t, simlink::kBlockSize> block_{};
};

} // namespace micro
