// Tollivane: brings the simulated aircraft to cold and dark on a click or a hotkey.
#include "app/MainWindow.h"

#include <commctrl.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
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
    return static_cast<int>(message.wParam);
}
