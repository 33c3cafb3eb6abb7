// The Win32 implementation of the seam: each method is the API call it names.
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

    std::int16_t GetAsyncKeyState(std::int32_t virtualKey) override;

    std::string ProgramDirectory() override;
    bool FileExists(const std::string& path) override;
    std::optional<std::string> ReadWholeFile(const std::string& path) override;
    bool WriteWholeFile(const std::string& path, const std::string& bytes) override;
    bool ReplaceFileWith(const std::string& from, const std::string& to) override;
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
