// The floor the program is measured against: a top-level window of the same
// size with a one-second timer that does nothing, built and linked exactly as
// the program is. Whatever it costs to start, to idle and to keep in memory
// is the price of any Win32 window under the same system; what the program
// costs beyond it is its own.
//
//   bare_window [--play FILE]
//
// With --play it plays FILE once, asynchronously, through the same system
// call the program's switch sound uses, loaded the same way at first use:
// the floor for a program that has played a sound, whose audio stack the
// system maps into it.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerIntervalMs = 1000;
// The program's client area (271 x 128 pixels at 96 DPI) with a frame.
constexpr int kWidth = 287;
constexpr int kHeight = 167;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void PlayOnce(const char* commandLine)
{
    constexpr const char* kPlay = "--play ";
    if (std::strncmp(commandLine, kPlay, std::strlen(kPlay)) != 0)
        return;
    std::string path = commandLine + std::strlen(kPlay);
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    const HMODULE winmm = ::LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!winmm)
        return;
    using PlayFn = BOOL(WINAPI*)(LPCSTR, UINT);
    const auto play = reinterpret_cast<PlayFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(winmm, "sndPlaySoundA")));
    constexpr UINT kAsync = 0x0001; // SND_ASYNC
    if (play)
        play(path.c_str(), kAsync);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = L"BareWindow";
    if (!::RegisterClassExW(&windowClass))
        return 1;
    const HWND hwnd = ::CreateWindowExW(
        0, L"BareWindow", L"Bare", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
        CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!hwnd)
        return 1;
    ::SetTimer(hwnd, kTimerId, kTimerIntervalMs, nullptr);
    ::ShowWindow(hwnd, showCommand);
    ::UpdateWindow(hwnd);
    PlayOnce(commandLine);

    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
