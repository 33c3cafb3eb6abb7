// The one seam between Tollivane's logic and the operating system.
//
// Everything the program asks of the platform goes through this interface:
// Os_win.cpp forwards each call to the Win32 function of the same name, and
// the tests put a fake with a virtual clock and an in-process peer in its
// place. Methods keep the Win32 names and argument order so that the logic
// above reads like the platform code it drives.
//
// Text and paths cross the seam as UTF-8; the Win32 side converts them for the
// wide-character calls, so a program directory outside the system's 8-bit
// code page works (hence the W calls). The link's names ("UIPCMAIN", the section name) stay 8-bit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace os {

using Handle = void*;  // HANDLE
using Window = void*;  // HWND
using Atom = std::uint16_t;

inline constexpr std::uint32_t kErrorAlreadyExists = 183;   // ERROR_ALREADY_EXISTS
inline constexpr std::uint32_t kErrorInvalidWindow = 1400;  // ERROR_INVALID_WINDOW_HANDLE

// MessageBox styles used by the program.
inline constexpr std::uint32_t kMbOk = 0x00;
inline constexpr std::uint32_t kMbIconExclamation = 0x30;
inline constexpr std::uint32_t kMbSetForeground = 0x00010000;

inline constexpr std::uint32_t kSndAsync = 0x0001;
inline constexpr int kSwShowNormal = 1;

class Os {
public:
    virtual ~Os() = default;

    // --- The simulator link ---------------------------------------------------
    // FindWindowExA(NULL, NULL, className, NULL)
    virtual Window FindWindowExA(const char* className) = 0;
    virtual std::uint32_t RegisterWindowMessageA(const char* name) = 0;
    // Returns false when the send failed; *reply holds the answer otherwise.
    virtual bool SendMessageTimeoutA(Window window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam, std::uint32_t flags,
                                     std::uint32_t timeoutMs, std::uintptr_t* reply) = 0;
    virtual Atom GlobalAddAtomA(const char* name) = 0;
    virtual Atom GlobalDeleteAtom(Atom atom) = 0;
    // CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, size, name);
    // GetLastError() afterwards tells whether the name existed already.
    virtual Handle CreateFileMappingA(std::uint32_t size, const char* name) = 0;
    // MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0)
    virtual void* MapViewOfFile(Handle section) = 0;
    virtual bool UnmapViewOfFile(void* view) = 0;
    virtual bool CloseHandle(Handle handle) = 0;
    virtual std::uint32_t GetCurrentProcessId() = 0;
    virtual std::uint32_t GetLastError() = 0;
    virtual void Sleep(std::uint32_t ms) = 0;

    // --- Keyboard ---------------------------------------------------------------
    virtual std::int16_t GetAsyncKeyState(std::int32_t virtualKey) = 0;

    // --- Files, sound, shell, message boxes ---------------------------------
    // The directory of the running executable, without a trailing separator.
    virtual std::string ProgramDirectory() = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // The whole file, or nothing when it cannot be opened or read.
    virtual std::optional<std::string> ReadWholeFile(const std::string& path) = 0;
    // Creates or truncates the file and writes the bytes; false on any failure.
    virtual bool WriteWholeFile(const std::string& path, const std::string& bytes) = 0;
    // Replaces `to` by `from` in one step (MoveFileExW with REPLACE_EXISTING).
    virtual bool ReplaceFileWith(const std::string& from, const std::string& to) = 0;
    virtual bool DeleteFileW(const std::string& path) = 0;
    virtual bool sndPlaySoundW(const std::string& path, std::uint32_t flags) = 0;
    virtual int MessageBoxW(Window owner, const std::string& text, const std::string& caption,
                            std::uint32_t type) = 0;
    virtual std::intptr_t ShellExecuteW(Window owner, const std::string& verb,
                                        const std::string& file, const std::string& parameters,
                                        const std::string& directory, int show) = 0;
};

} // namespace os
