// The Win32 implementation of the seam: each method makes the one API call it
// is named after, with its arguments converted (UTF-8 to UTF-16 and back, the
// seam's nullptr for INVALID_HANDLE_VALUE), and decides nothing.
#pragma once

#include "os/Os.h"

#include <string>

namespace os {

class Win32Os : public Os {
  public:
    Window FindWindowExA(const char* className) override;
    std::uint32_t RegisterWindowMessageA(const char* name) override;
    bool SendMessageTimeoutA(Window window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                             std::uintptr_t* reply) override;
    Atom GlobalAddAtomA(const char* name) override;
    Atom GlobalDeleteAtom(Atom atom) override;
    Handle CreateFileMappingA(std::uint32_t size, const char* name) override;
    void* MapViewOfFile(Handle section) override;
    bool UnmapViewOfFile(void* view) override;
    bool CloseHandle(Handle handle) override;
    std::uint32_t GetCurrentProcessId() override;
    std::uint32_t GetLastError() override;
    void Sleep(std::uint32_t ms) override;

    Handle CreateThread(ThreadStart start, void* parameter) override;
    Handle CreateEventW() override;
    bool SetEvent(Handle event) override;
    bool ResetEvent(Handle event) override;
    std::uint32_t WaitForSingleObject(Handle object, std::uint32_t timeoutMs) override;
    bool PostMessageW(Window window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam) override;

    std::int16_t GetAsyncKeyState(std::int32_t virtualKey) override;

    std::uint32_t GetModuleFileNameW(std::string& path, std::uint32_t size) override;
    std::uint32_t GetFileAttributesW(const std::string& path) override;
    Handle CreateFileW(const std::string& path, std::uint32_t access, std::uint32_t share,
                       std::uint32_t disposition) override;
    bool GetFileSizeEx(Handle file, std::int64_t* size) override;
    bool ReadFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) override;
    bool WriteFile(Handle file, const void* data, std::uint32_t size,
                   std::uint32_t* written) override;
    bool FlushFileBuffers(Handle file) override;
    bool MoveFileExW(const std::string& from, const std::string& to, std::uint32_t flags) override;
    bool DeleteFileW(const std::string& path) override;
    bool sndPlaySoundW(const std::string& path, std::uint32_t flags) override;
    int MessageBoxW(Window owner, const std::string& text, const std::string& caption,
                    std::uint32_t type) override;
    std::intptr_t ShellExecuteW(Window owner, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory,
                                int show) override;
};

// UTF-8 <-> UTF-16 for the wide calls.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

} // namespace os
