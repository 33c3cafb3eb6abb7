#include "app/MainWindow.h"

#include "Title.h"

#include <string>

namespace app {

namespace {

constexpr int kIconId = 1;

// Sent by Windows 8.1 and later only; the headers of the oldest Windows we
// build for do not name it.
constexpr UINT kWmDpiChanged = 0x02E0;
// ENDSESSION_CLOSEAPP, from Vista on; likewise unnamed there.
constexpr LPARAM kEndSessionCloseApp = 0x1;

} // namespace

MainWindow::MainWindow() = default;

MainWindow::~MainWindow()
{
    // A message loop ended by a WM_QUIT from outside leaves the window
    // behind; it must not outlive the object its messages go to.
    if (hwnd_)
        ::DestroyWindow(hwnd_);
    if (font_)
        ::DeleteObject(font_);
}

bool MainWindow::Create(HINSTANCE instance, int showCommand)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainWindow::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
    windowClass.hIconSm = static_cast<HICON>(::LoadImageW(
        instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
        ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kWindowClass;
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;

    // Created at its final size and place for the system's DPI, so that
    // nothing is laid out twice on the way to the screen. Only the window
    // can tell the DPI of the monitor it lands on; WM_CREATE corrects both
    // should that differ.
    dpi_ = SystemDpi();
    const RECT place = CentredWindowRect(dpi_);
    const std::wstring caption = os::Widen(tollivane::kAppTitle);
    if (!::CreateWindowExW(kWindowExStyle, kWindowClass, caption.c_str(), kWindowStyle, place.left,
                           place.top, place.right - place.left, place.bottom - place.top, nullptr,
                           nullptr, instance, this))
        return false;

    form_.Form_Load();

    lastFocus_ = Control(ControlId::cmdShutdown);
    ::ShowWindow(hwnd_, showCommand);
    ::UpdateWindow(hwnd_);
    // Started minimised, it waits for the user; activation sets the focus then.
    if (!::IsIconic(hwnd_))
        ::SetFocus(lastFocus_);
    return true;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);

    // Nothing may unwind into user32; the only thing that can throw below is
    // an allocation, and then the event is dropped.
    try {
        switch (message) {
        case WM_CREATE: {
            return self->OnCreate();
        }
        case WM_ACTIVATE: {
            return self->OnActivate(wParam);
        }
        case WM_TIMER: {
            self->form_.tmrTimer_Timer();
            return 0;
        }
        case WM_COMMAND: {
            return self->OnCommand(LOWORD(wParam), HIWORD(wParam));
        }
        case WM_CLOSE: {
            return self->OnClose();
        }
        case WM_ENDSESSION: {
            return self->OnEndSession(wParam != 0, lParam);
        }
        case kWmExchangesOver: {
            self->form_.Worker_Over();
            return 0;
        }
        case kWmStartedAgain: {
            self->form_.Form_StartedAgain();
            return 0;
        }
        case WM_DESTROY: {
            return self->OnDestroy();
        }
        case kWmDpiChanged: {
            return self->OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        }
        case WM_NCDESTROY: {
            self->OnNcDestroy();
            break;
        }
        default:
            break;
        }
    } catch (...) {
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// --- Messages --------------------------------------------------------------------

LRESULT MainWindow::OnCreate()
{
    const int created = dpi_;
    dpi_ = WindowDpi(hwnd_);
    font_ = CreateControlFont(dpi_);
    if (!CreateControls(hwnd_, dpi_, font_, controls_))
        return -1;

    if (dpi_ != created) {
        const RECT place = CentredWindowRect(dpi_);
        ::SetWindowPos(hwnd_, nullptr, place.left, place.top, place.right - place.left,
                       place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return 0;
}

LRESULT MainWindow::OnActivate(WPARAM state)
{
    // Bring the keyboard focus back to the control that had it, as a dialog
    // does; the default would leave it on the bare window, out of TAB's reach.
    if (LOWORD(state) == WA_INACTIVE)
        SaveFocus();
    else if (HIWORD(state) == 0)
        ::SetFocus(lastFocus_ ? lastFocus_ : Control(ControlId::cmdShutdown));
    return 0;
}

LRESULT MainWindow::OnClose()
{
    int cancel = 0;
    form_.Form_Unload(cancel);
    if (cancel == 0)
        ::DestroyWindow(hwnd_);
    return 0;
}

LRESULT MainWindow::OnEndSession(bool ending, LPARAM how)
{
    if (!ending)
        return 0;
    // An installer's Restart Manager asks a program to close this way while
    // the session goes on: it expects the window to go, as on a close.
    if ((how & kEndSessionCloseApp) != 0 && (how & ENDSESSION_LOGOFF) == 0)
        return OnClose();
    // The system ends the process after this without closing the window.
    form_.Form_EndSession();
    return 0;
}

LRESULT MainWindow::OnDestroy()
{
    form_.Form_Terminate();
    ::PostQuitMessage(0);
    return 0;
}

void MainWindow::OnNcDestroy()
{
    // The last message the window gets: nothing may reach this object after it.
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
}

LRESULT MainWindow::OnDpiChanged(int dpi, const RECT& suggested)
{
    dpi_ = dpi;
    const HFONT font = CreateControlFont(dpi_);
    LayOutControls(controls_, dpi_, font);
    if (font_)
        ::DeleteObject(font_);
    font_ = font;
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    const SIZE size = WindowSize(dpi_);
    ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, size.cx, size.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

LRESULT MainWindow::OnCommand(int id, int code)
{
    switch (static_cast<ControlId>(id)) {
    case ControlId::cmdShutdown:
        if (code == BN_CLICKED)
            form_.cmdShutdown_Click();
        break;
    case ControlId::cmdHelp:
        if (code == BN_CLICKED)
            form_.cmdHelp_Click();
        break;
    case ControlId::cboShutdown:
        if (code == CBN_SELCHANGE)
            form_.cboShutdown_Click();
        break;
    case ControlId::chkShutdownCTRL:
        if (code == BN_CLICKED)
            form_.chkShutdownCTRL_Click();
        break;
    case ControlId::chkShutdownSHIFT:
        if (code == BN_CLICKED)
            form_.chkShutdownSHIFT_Click();
        break;
    case ControlId::frmFrame:
        break;
    }
    return 0;
}

// Remembers the control that has the keyboard focus, for OnActivate and
// BusyOver to give it back.
void MainWindow::SaveFocus()
{
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(hwnd_, focus))
        lastFocus_ = focus;
}

} // namespace app
