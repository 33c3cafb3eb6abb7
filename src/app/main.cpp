// Tollivane: brings the simulated aircraft to cold and dark on a click or a hotkey.
#include "app/MainWindow.h"

#include <commctrl.h>
#include <windows.h>

namespace {

// One copy per user session: two would each poll the same hotkey and start
// two runs that interleave their writes. The name lives in the session's own
// namespace, so that other users on the machine keep their copies.
constexpr const wchar_t* kInstanceMutex = L"Local\\TollivaneMain.Instance";

// The copy that runs may not have its window yet when a second one starts
// right behind it; give it this long to show.
constexpr DWORD kFindWindowMs = 5000;
constexpr DWORD kFindWindowPollMs = 50;
// How long a copy that is closing may take to end before this one counts it
// as running.
constexpr DWORD kExitingCopyMs = 500;

// The user started us again looking for the window: show them the one there is.
void ShowRunningCopy()
{
    for (DWORD waited = 0; waited <= kFindWindowMs; waited += kFindWindowPollMs) {
        if (const HWND running = ::FindWindowW(app::kWindowClass, nullptr)) {
            if (::IsIconic(running))
                ::ShowWindow(running, SW_RESTORE);
            ::SetForegroundWindow(running);
            return;
        }
        ::Sleep(kFindWindowPollMs);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    // Owned by this thread until the process ends, and given up by the
    // system then. A copy on its way out may still hold it, or still have its
    // window, for a moment after it was closed; waiting for the mutex tells
    // that copy from one that runs on, so that starting again right after a
    // close is never turned away.
    const HANDLE instanceMutex = ::CreateMutexW(nullptr, TRUE, kInstanceMutex);
    if (instanceMutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        const DWORD waited = ::WaitForSingleObject(instanceMutex, kExitingCopyMs);
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
            ShowRunningCopy();
            return 0;
        }
    }

    // With the version 6 manifest, the buttons and the list take the
    // system's visual style only once the common controls are initialised.
    INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&commonControls);

    app::MainWindow window;
    if (!window.Create(instance, showCommand))
        return 1;

    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Gives the plain window a dialog's keyboard: TAB through the
        // controls, ALT+S and ALT+H, SPACE on the focused button.
        if (!::IsDialogMessageW(window.Handle(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    // A WM_QUIT from outside, or a failing GetMessage, ends the loop with the
    // window still there: the settings and the link are seen to all the same.
    window.Terminate();
    return static_cast<int>(message.wParam);
}
