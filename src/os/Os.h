// The one seam between Tollivane's logic and the operating system.
//
// Everything the program asks of the platform goes through this interface.
// Os_win.cpp implements each method with the one Win32 call it is named after
// and nothing else: no loops, no decisions, only the conversion of arguments
// (and, for the sound and the shell, finding the function in its DLL once).
// Whatever combines calls (reading a whole file, the program directory, a
// pause that can be called off) lives above the seam, in os/Files.h and
// os/Pause.h, which the tests run against a fake with a virtual clock, an
// in-process peer and a file system that fails on request.
// Methods keep the Win32 names and argument order so that the logic above
// reads like the platform code it drives.
//
// Text and paths cross the seam as UTF-8; the Win32 side converts them for the
// wide-character calls, so a program directory outside the system's 8-bit
// code page works (hence the W calls). The link's names ("UIPCMAIN", the section name) stay 8-bit.
#pragma once

#include <cstdint>
#include <string>

namespace os {

using Handle = void*; // HANDLE
using Window = void*; // HWND
using Atom = std::uint16_t;

inline constexpr std::uint32_t kErrorFileNotFound = 2;      // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kErrorAccessDenied = 5;      // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kErrorSharingViolation = 32; // ERROR_SHARING_VIOLATION
inline constexpr std::uint32_t kErrorAlreadyExists = 183;   // ERROR_ALREADY_EXISTS

// MessageBox styles used by the program.
inline constexpr std::uint32_t kMbOk = 0x00;
inline constexpr std::uint32_t kMbIconExclamation = 0x30;
inline constexpr std::uint32_t kMbSetForeground = 0x00010000;
inline constexpr std::uint32_t kMbTopmost = 0x00040000;

// File access, as CreateFileW, GetFileAttributesW and MoveFileExW take it.
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kFileShareRead = 0x1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kMovefileReplaceExisting = 0x1;
inline constexpr std::uint32_t kMovefileWriteThrough = 0x8;

inline constexpr std::uint32_t kWaitObject0 = 0x000; // WAIT_OBJECT_0
inline constexpr std::uint32_t kWaitTimeout = 0x102; // WAIT_TIMEOUT

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

    // --- The worker thread ---------------------------------------------------------
    using ThreadStart = void (*)(void* parameter);
    // CreateThread(NULL, 0, start, parameter, 0, NULL): `start` runs on a new
    // thread. Returns its handle, or nullptr when no thread could be made.
    virtual Handle CreateThread(ThreadStart start, void* parameter) = 0;
    // CreateEventW(NULL, TRUE, FALSE, NULL): an unnamed event, reset by hand,
    // not set. Closed with CloseHandle.
    virtual Handle CreateEventW() = 0;
    virtual bool SetEvent(Handle event) = 0;
    virtual bool ResetEvent(Handle event) = 0;
    // kWaitObject0 once `object` is set, kWaitTimeout when the time is up
    // first, anything else when the wait failed.
    virtual std::uint32_t WaitForSingleObject(Handle object, std::uint32_t timeoutMs) = 0;
    // Any thread may post; the window's own thread handles what it posts.
    virtual bool PostMessageW(Window window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) = 0;

    // --- Keyboard ---------------------------------------------------------------
    virtual std::int16_t GetAsyncKeyState(std::int32_t virtualKey) = 0;

    // --- Files -----------------------------------------------------------------
    // GetModuleFileNameW(NULL, buffer, size) with a buffer of `size` UTF-16
    // units: returns what the call returned (0 on failure, `size` when the
    // name did not fit) and leaves what the buffer holds in `path`.
    virtual std::uint32_t GetModuleFileNameW(std::string& path, std::uint32_t size) = 0;
    // kInvalidFileAttributes when nothing of that name is there, or when the
    // system could not tell; GetLastError() afterwards says which.
    virtual std::uint32_t GetFileAttributesW(const std::string& path) = 0;
    // CreateFileW(path, access, share, NULL, disposition, FILE_ATTRIBUTE_NORMAL,
    // NULL). The one difference: failure is nullptr, not INVALID_HANDLE_VALUE,
    // so that every handle of the seam has the same "none". Closed with
    // CloseHandle.
    virtual Handle CreateFileW(const std::string& path, std::uint32_t access, std::uint32_t share,
                               std::uint32_t disposition) = 0;
    virtual bool GetFileSizeEx(Handle file, std::int64_t* size) = 0;
    // ReadFile(file, buffer, size, read, NULL); *read is 0 at the end of the file.
    virtual bool ReadFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) = 0;
    virtual bool WriteFile(Handle file, const void* data, std::uint32_t size,
                           std::uint32_t* written) = 0;
    virtual bool FlushFileBuffers(Handle file) = 0;
    virtual bool MoveFileExW(const std::string& from, const std::string& to,
                             std::uint32_t flags) = 0;
    virtual bool DeleteFileW(const std::string& path) = 0;

    // --- Sound, shell, message boxes ----------------------------------------
    virtual bool sndPlaySoundW(const std::string& path, std::uint32_t flags) = 0;
    virtual int MessageBoxW(Window owner, const std::string& text, const std::string& caption,
                            std::uint32_t type) = 0;
    virtual std::intptr_t ShellExecuteW(Window owner, const std::string& verb,
                                        const std::string& file, const std::string& parameters,
                                        const std::string& directory, int show) = 0;
};

} // namespace os
