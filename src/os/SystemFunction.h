// A function of a system DLL, found at run time (Windows only): for DLLs that
// are loaded at their first use, and for calls that older Windows lacks.
#pragma once

#include <windows.h>

namespace os {

// nullptr when the DLL or the function is not there. Only the system
// directory is searched, so that a DLL of the same name beside the program is
// never picked up; once loaded, a DLL stays loaded.
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

} // namespace os
