#include "os/Os_win.h"

#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

namespace os {

namespace {

// winmm and shell32 are loaded at their first use rather than at start-up.
// With what they bring in (the shell's helpers, the audio stack) they would
// cost every start five more DLLs and the idle window a few MB of memory, for
// a sound that plays only during a run and a help page that is rarely opened.
// Only from the system directory, so that a DLL of the same name beside the
// program is never picked up; once loaded, a module stays loaded.
template <typename Fn>
Fn SystemFunction(const wchar_t* module, const char* name)
{
    HMODULE loaded = ::LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows 7 without its 2011 loader update knows no such flag; the plain
    // search is what the import table did before.
    if (!loaded && ::GetLastError() == ERROR_INVALID_PARAMETER)
        loaded = ::LoadLibraryW(module);
    if (!loaded)
        return nullptr;
    // Through void(*)(), the one function pointer type a cast to another
    // function type may go through without a warning.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(loaded, name)));
}

} // namespace

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

std::int16_t Win32Os::GetAsyncKeyState(std::int32_t virtualKey)
{
    return ::GetAsyncKeyState(virtualKey);
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0);
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

std::string Win32Os::ProgramDirectory()
{
    // Long paths are rare but allowed; grow until the name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        path.resize(slash);
    return Narrow(path);
}

bool Win32Os::FileExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> Win32Os::ReadWholeFile(const std::string& path)
{
    HANDLE file = ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    bool ok = true;
    for (;;) {
        ok = ::ReadFile(file, chunk, sizeof chunk, &got, nullptr) != 0;
        if (!ok || got == 0)
            break;
        bytes.append(chunk, got);
    }
    ::CloseHandle(file);
    if (!ok)
        return std::nullopt;
    return bytes;
}

bool Win32Os::WriteWholeFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = bytes.empty() || (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                            &written, nullptr) != 0 &&
                                written == bytes.size());
    ok = ::FlushFileBuffers(file) != 0 && ok;
    ok = ::CloseHandle(file) != 0 && ok;
    return ok;
}

bool Win32Os::ReplaceFileWith(const std::string& from, const std::string& to)
{
    return ::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32Os::DeleteFileW(const std::string& path)
{
    return ::DeleteFileW(Widen(path).c_str()) != 0;
}

bool Win32Os::sndPlaySoundW(const std::string& path, std::uint32_t flags)
{
    static const auto play = SystemFunction<decltype(&::sndPlaySoundW)>(L"winmm.dll", "sndPlaySoundW");
    return play && play(Widen(path).c_str(), flags) != 0;
}

int Win32Os::MessageBoxW(Window owner, const std::string& text, const std::string& caption,
                         std::uint32_t type)
{
    return ::MessageBoxW(static_cast<HWND>(owner), Widen(text).c_str(), Widen(caption).c_str(), type);
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
    const HINSTANCE result = shellExecute(
        static_cast<HWND>(owner), Widen(verb).c_str(), Widen(file).c_str(),
        parameters.empty() ? nullptr : wideParameters.c_str(),
        directory.empty() ? nullptr : wideDirectory.c_str(), show);
    return reinterpret_cast<std::intptr_t>(result);
}

} // namespace os
