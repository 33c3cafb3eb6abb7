#include "os/Os_win.h"

// windows.h first: the others build on it.
#include <windows.h>

#include <mmsystem.h>
#include <shellapi.h>

#include "os/SystemFunction.h"

namespace os {

// The seam's constants are the system's.
static_assert(kGenericRead == GENERIC_READ && kGenericWrite == GENERIC_WRITE);
static_assert(kFileShareRead == FILE_SHARE_READ);
static_assert(kCreateAlways == CREATE_ALWAYS && kOpenExisting == OPEN_EXISTING);
static_assert(kInvalidFileAttributes == INVALID_FILE_ATTRIBUTES);
static_assert(kFileAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(kMovefileReplaceExisting == MOVEFILE_REPLACE_EXISTING);
static_assert(kMovefileWriteThrough == MOVEFILE_WRITE_THROUGH);
static_assert(kMbOk == MB_OK && kMbIconExclamation == MB_ICONEXCLAMATION);
static_assert(kMbSetForeground == MB_SETFOREGROUND && kMbTopmost == MB_TOPMOST);
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED &&
              kErrorSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(kWaitObject0 == WAIT_OBJECT_0 && kWaitTimeout == WAIT_TIMEOUT);
static_assert(kSndAsync == SND_ASYNC && kSwShowNormal == SW_SHOWNORMAL);

Window Win32Os::FindWindowExA(const char* className)
{
    return ::FindWindowExA(nullptr, nullptr, className, nullptr);
}

std::uint32_t Win32Os::RegisterWindowMessageA(const char* name)
{
    return ::RegisterWindowMessageA(name);
}

bool Win32Os::SendMessageTimeoutA(Window window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam, std::uint32_t flags,
                                  std::uint32_t timeoutMs, std::uintptr_t* reply)
{
    DWORD_PTR answer = 0;
    const LRESULT sent = ::SendMessageTimeoutA(static_cast<HWND>(window), message, wParam, lParam,
                                               flags, timeoutMs, &answer);
    *reply = answer;
    return sent != 0;
}

Atom Win32Os::GlobalAddAtomA(const char* name)
{
    return ::GlobalAddAtomA(name);
}

Atom Win32Os::GlobalDeleteAtom(Atom atom)
{
    return ::GlobalDeleteAtom(atom);
}

Handle Win32Os::CreateFileMappingA(std::uint32_t size, const char* name)
{
    return ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
}

void* Win32Os::MapViewOfFile(Handle section)
{
    return ::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0);
}

bool Win32Os::UnmapViewOfFile(void* view)
{
    return ::UnmapViewOfFile(view) != 0;
}

bool Win32Os::CloseHandle(Handle handle)
{
    return ::CloseHandle(handle) != 0;
}

std::uint32_t Win32Os::GetCurrentProcessId()
{
    return ::GetCurrentProcessId();
}

std::uint32_t Win32Os::GetLastError()
{
    return ::GetLastError();
}

void Win32Os::Sleep(std::uint32_t ms)
{
    ::Sleep(ms);
}

namespace {

struct ThreadEntry {
    Os::ThreadStart start;
    void* parameter;
};

// The system calls a thread's entry point as WINAPI; the seam's is a plain
// function. Windows promises i686 threads only 4-byte stack alignment.
#if defined(__GNUC__) && defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
DWORD WINAPI
RunThread(LPVOID parameter)
{
    const ThreadEntry entry = *static_cast<ThreadEntry*>(parameter);
    delete static_cast<ThreadEntry*>(parameter);
    entry.start(entry.parameter);
    return 0;
}

} // namespace

Handle Win32Os::CreateThread(ThreadStart start, void* parameter)
{
    auto* entry = new ThreadEntry{start, parameter};
    const HANDLE thread = ::CreateThread(nullptr, 0, &RunThread, entry, 0, nullptr);
    if (thread == nullptr)
        delete entry;
    return thread;
}

Handle Win32Os::CreateEventW()
{
    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

bool Win32Os::SetEvent(Handle event)
{
    return ::SetEvent(event) != 0;
}

bool Win32Os::ResetEvent(Handle event)
{
    return ::ResetEvent(event) != 0;
}

std::uint32_t Win32Os::WaitForSingleObject(Handle object, std::uint32_t timeoutMs)
{
    return ::WaitForSingleObject(object, timeoutMs);
}

bool Win32Os::PostMessageW(Window window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam)
{
    return ::PostMessageW(static_cast<HWND>(window), message, wParam, lParam) != 0;
}

std::int16_t Win32Os::GetAsyncKeyState(std::int32_t virtualKey)
{
    return ::GetAsyncKeyState(virtualKey);
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                          nullptr, nullptr);
    return narrow;
}

std::uint32_t Win32Os::GetModuleFileNameW(std::string& path, std::uint32_t size)
{
    std::wstring buffer(size, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    buffer.resize(length < size ? length : size);
    path = Narrow(buffer);
    return length;
}

std::uint32_t Win32Os::GetFileAttributesW(const std::string& path)
{
    return ::GetFileAttributesW(Widen(path).c_str());
}

Handle Win32Os::CreateFileW(const std::string& path, std::uint32_t access, std::uint32_t share,
                            std::uint32_t disposition)
{
    const HANDLE file = ::CreateFileW(Widen(path).c_str(), access, share, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

bool Win32Os::GetFileSizeEx(Handle file, std::int64_t* size)
{
    LARGE_INTEGER bytes{};
    const bool ok = ::GetFileSizeEx(file, &bytes) != 0;
    *size = bytes.QuadPart;
    return ok;
}

bool Win32Os::ReadFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read)
{
    DWORD got = 0;
    const bool ok = ::ReadFile(file, buffer, size, &got, nullptr) != 0;
    *read = got;
    return ok;
}

bool Win32Os::WriteFile(Handle file, const void* data, std::uint32_t size, std::uint32_t* written)
{
    DWORD put = 0;
    const bool ok = ::WriteFile(file, data, size, &put, nullptr) != 0;
    *written = put;
    return ok;
}

bool Win32Os::FlushFileBuffers(Handle file)
{
    return ::FlushFileBuffers(file) != 0;
}

bool Win32Os::MoveFileExW(const std::string& from, const std::string& to, std::uint32_t flags)
{
    return ::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), flags) != 0;
}

bool Win32Os::DeleteFileW(const std::string& path)
{
    return ::DeleteFileW(Widen(path).c_str()) != 0;
}

// winmm and shell32 are loaded at their first use rather than at start-up.
// With what they bring in (the shell's helpers, the audio stack) they would
// cost every start five more DLLs and the idle window a few MB of memory, for
// a sound that plays only during a run and a help page that is rarely opened.
bool Win32Os::sndPlaySoundW(const std::string& path, std::uint32_t flags)
{
    static const auto play =
        SystemFunction<decltype(&::sndPlaySoundW)>(L"winmm.dll", "sndPlaySoundW");
    return play && play(Widen(path).c_str(), flags) != 0;
}

int Win32Os::MessageBoxW(Window owner, const std::string& text, const std::string& caption,
                         std::uint32_t type)
{
    return ::MessageBoxW(static_cast<HWND>(owner), Widen(text).c_str(), Widen(caption).c_str(),
                         type);
}

std::intptr_t Win32Os::ShellExecuteW(Window owner, const std::string& verb, const std::string& file,
                                     const std::string& parameters, const std::string& directory,
                                     int show)
{
    const std::wstring wideParameters = Widen(parameters);
    const std::wstring wideDirectory = Widen(directory);
    static const auto shellExecute =
        SystemFunction<decltype(&::ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
    if (!shellExecute)
        return 0;
    const HINSTANCE result =
        shellExecute(static_cast<HWND>(owner), Widen(verb).c_str(), Widen(file).c_str(),
                     parameters.empty() ? nullptr : wideParameters.c_str(),
                     directory.empty() ? nullptr : wideDirectory.c_str(), show);
    return reinterpret_cast<std::intptr_t>(result);
}

} // namespace os
