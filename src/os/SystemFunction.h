// A function of a system DLL, found at run time (Windows only): for DLLs that
// are loaded at their first use, and for calls that older Windows lacks.
#pragma once

#include "os/Fallback.h"

#include <windows.h>

namespace os {

template <typename Fn> Fn FunctionOf(HMODULE module, const char* name)
{
    // Through void(*)(), the one function pointer type a cast to another
    // function type may go through without a warning.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// nullptr when the DLL or the function is not there. The DLL is loaded by its
// full path in the system directory, which every Windows version takes, so a
// DLL of that name beside the program is not picked up. That protects the
// named DLL only: the DLLs it imports in turn are searched for as usual, the
// program's folder first, unless the system knows them as its own (its
// KnownDLLs). Once loaded, a DLL stays loaded.
template <typename Fn> Fn SystemFunction(const wchar_t* module, const char* name)
{
    wchar_t directory[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
    const std::wstring path = SystemDllPath(
        length < MAX_PATH ? std::wstring_view(directory, length) : std::wstring_view(), module);
    const HMODULE loaded = path.empty() ? nullptr : ::LoadLibraryW(path.c_str());
    return loaded ? FunctionOf<Fn>(loaded, name) : nullptr;
}

// nullptr when the function is not there: for a DLL the program imports, and
// so has loaded already.
template <typename Fn> Fn LoadedFunction(const wchar_t* module, const char* name)
{
    const HMODULE loaded = ::GetModuleHandleW(module);
    return loaded ? FunctionOf<Fn>(loaded, name) : nullptr;
}

} // namespace os
