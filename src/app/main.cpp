// Tollivane: brings the simulated aircraft to cold and dark on a click or a hotkey.
#include "app/MainWindow.h"

#include <commctrl.h>
#include <windows.h>

namespace {

// One copy per user session: two would each poll the same hotkey and start
// two runs that interleave their writes. The name lives in the session's own
// namespace, so that other users on the machine keep their copies.
constexpr const wchar_t* kInstanceMutex = L"Local\\TollivaneMain.Instance";
// Made by a copy when the user closes its window, before it saves, and gone
// with its process: a start meanwhile waits for that copy to end.
constexpr const wchar_t* kClosingMark = L"Local\\TollivaneMain.Closing";

// The copy that runs may not have its window yet when a second one starts
// right behind it; give it this long to show.
constexpr DWORD kFindWindowMs = 5000;
constexpr DWORD kFindWindowPollMs = 50;
// How long a copy that holds the mutex without the closing mark (one ended
// from outside, or one whose close has not been handled yet) may take to end
// before this one counts it as running.
constexpr DWORD kExitingCopyMs = 500;

HANDLE closingMark = nullptr;

void MarkClosing()
{
    if (!closingMark)
        closingMark = ::CreateEventW(nullptr, TRUE, FALSE, kClosingMark);
}

bool CopyClosing()
{
    const HANDLE mark = ::OpenEventW(SYNCHRONIZE, FALSE, kClosingMark);
    if (mark)
        ::CloseHandle(mark);
    return mark != nullptr;
}

// Whether the mutex came to us. A copy the user has closed may take its
// time (a slow disk, its warning box still open), and it holds the mutex
// until its process ends: for as long as it bears the closing mark we wait,
// so that starting again after a close is never turned away.
bool OutlastClosingCopy(HANDLE instanceMutex)
{
    for (;;) {
        // Asked before the wait: a closing copy that ends meanwhile gives up
        // the mutex as its mark goes, and this wait takes it.
        const bool closing = CopyClosing();
        const DWORD waited = ::WaitForSingleObject(instanceMutex, kExitingCopyMs);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
            return true;
        if (waited != WAIT_TIMEOUT || !closing)
            return false;
    }
}

// The user started us again looking for the window: show them the one there
// is. Restored without waiting: in a run, the other copy's thread answers
// nothing until the run is over.
void ShowRunningCopy()
{
    for (DWORD waited = 0; waited <= kFindWindowMs; waited += kFindWindowPollMs) {
        if (const HWND running = ::FindWindowW(app::kWindowClass, nullptr)) {
            if (::IsIconic(running))
                ::ShowWindowAsync(running, SW_RESTORE);
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
    // system then.
    const HANDLE instanceMutex = ::CreateMutexW(nullptr, TRUE, kInstanceMutex);
    const DWORD created = ::GetLastError();
    // A copy run as administrator holds the name where ours may not open it.
    // Its window cannot be brought to the front from here either.
    if (!instanceMutex && created == ERROR_ACCESS_DENIED)
        return 0;
    if (instanceMutex && created == ERROR_ALREADY_EXISTS && !OutlastClosingCopy(instanceMutex)) {
        ShowRunningCopy();
        return 0;
    }

    // With the version 6 manifest, the buttons and the list take the
    // system's visual style only once the common controls are initialised.
    INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&commonControls);

    app::MainWindow window;
    window.onClose = &MarkClosing;
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
