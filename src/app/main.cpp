// Tollivane: brings the simulated aircraft to cold and dark on a click or a hotkey.
#include "app/MainWindow.h"
#include "app/SingleCopy.h"

#include <commctrl.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    if (!app::BecomeTheOneCopy(app::kWindowClass, app::kWmStartedAgain))
        return 0;

    // With the version 6 manifest, the buttons and the list take the
    // system's visual style only once the common controls are initialised.
    INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&commonControls);

    app::MainWindow window;
    window.onClose = &app::MarkClosing;
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
    // The worker may still be using the window's form. Its batch goes on to
    // its end, or to the next wait after a send the simulator did not answer,
    // and the link is closed then; the window's messages are handled
    // meanwhile, as they were before.
    const int code = static_cast<int>(message.wParam);
    while (window.Exchanging() && ::GetMessageW(&message, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&message);
    // Only a GetMessage that fails leaves it still at work: the process ends
    // here, under the worker, rather than free what the worker uses.
    if (window.Exchanging())
        ::ExitProcess(static_cast<UINT>(code));
    return code;
}
