// frmMain's FormView on Win32: the list, the check boxes, the timer and the
// greyed look while exchanges are under way, over the controls MainWindow made.
#include "app/MainWindow.h"

#include <string>

namespace app {

namespace {

// What the user may not touch while exchanges are under way: Help stays.
constexpr ControlId kGreyedWhileBusy[] = {ControlId::cmdShutdown, ControlId::cboShutdown,
                                          ControlId::chkShutdownCTRL, ControlId::chkShutdownSHIFT};

HWND CheckBoxControl(const Controls& controls, CheckBox box)
{
    return controls[IndexOf(box == CheckBox::CTRL ? ControlId::chkShutdownCTRL
                                                  : ControlId::chkShutdownSHIFT)];
}

} // namespace

void MainWindow::AddListEntry(const std::string& text)
{
    const std::wstring entry = os::Widen(text);
    ::SendMessageW(Control(ControlId::cboShutdown), CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(entry.c_str()));
}

void MainWindow::SelectListEntry(int index)
{
    ::SendMessageW(Control(ControlId::cboShutdown), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string MainWindow::SelectedListText()
{
    const HWND list = Control(ControlId::cboShutdown);
    const LRESULT selection = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR)
        return {};
    const LRESULT length = ::SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(selection), 0);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(selection),
                                       reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return os::Narrow(text);
}

static_assert(static_cast<int>(CheckState::Unchecked) == BST_UNCHECKED &&
              static_cast<int>(CheckState::Checked) == BST_CHECKED &&
              static_cast<int>(CheckState::Greyed) == BST_INDETERMINATE);

void MainWindow::SetCheck(CheckBox box, CheckState state)
{
    ::SendMessageW(CheckBoxControl(controls_, box), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

CheckState MainWindow::GetCheck(CheckBox box)
{
    return static_cast<CheckState>(
        ::SendMessageW(CheckBoxControl(controls_, box), BM_GETCHECK, 0, 0));
}

void MainWindow::EnableTimer()
{
    timerEnabled_ = ::SetTimer(hwnd_, kTimerId, kTimerIntervalMs, nullptr) != 0;
}

void MainWindow::DisableTimer()
{
    if (timerEnabled_ && hwnd_)
        ::KillTimer(hwnd_, kTimerId);
    timerEnabled_ = false;
}

void MainWindow::BusyStarted()
{
    const HWND start = Control(ControlId::cmdShutdown);
    if (!::IsWindowEnabled(start))
        return;
    // Greying the control that has the keyboard focus takes it away;
    // BusyOver gives it back.
    SaveFocus();
    for (const ControlId id : kGreyedWhileBusy)
        ::EnableWindow(Control(id), FALSE);
}

void MainWindow::BusyOver()
{
    if (::IsWindowEnabled(Control(ControlId::cmdShutdown)))
        return;
    for (const ControlId id : kGreyedWhileBusy)
        ::EnableWindow(Control(id), TRUE);
    if (::GetActiveWindow() == hwnd_ && !::GetFocus())
        ::SetFocus(lastFocus_ ? lastFocus_ : Control(ControlId::cmdShutdown));
}

void MainWindow::Closing()
{
    if (onClose)
        onClose();
}

void MainWindow::PostClose()
{
    ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

} // namespace app
