// frmMain on Win32: creates the window and lays out its controls, lets the
// form read and set them through FormView, and hands each message to one of
// the form's events. What the window does at those events is the form's.
#pragma once

#include "app/Form.h"
#include "app/Layout_win.h"
#include "os/Os_win.h"

#include <windows.h>

#include <array>

namespace app {

inline constexpr const wchar_t* kWindowClass = L"TollivaneMain";
// Posted by a second start, which has shown this window and ended (WM_APP + 1).
inline constexpr UINT kWmStartedAgain = kWmExchangesOver + 1;
inline constexpr UINT_PTR kTimerId = 1;
inline constexpr UINT kTimerIntervalMs = 1000;

class MainWindow : private FormView {
  public:
    MainWindow();
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window and its controls, runs Form_Load and shows the
    // window. False when the window could not be created.
    bool Create(HINSTANCE instance, int showCommand);
    HWND Handle() const { return hwnd_; }
    // The message loop has ended, whether or not the window went first.
    void Terminate() { form_.Form_Terminate(); }
    // The worker still runs a batch on this window's form: the window's
    // messages must go on being handled until it posts that it is over.
    bool Exchanging() const { return form_.Exchanging(); }
    // Called when a close goes ahead, before the settings are saved.
    void (*onClose)() = nullptr;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // --- Messages ----------------------------------------------------------------
    LRESULT OnCreate();
    LRESULT OnActivate(WPARAM state);
    LRESULT OnClose();
    LRESULT OnEndSession(bool ending, LPARAM how);
    LRESULT OnDestroy();
    void OnNcDestroy();
    LRESULT OnDpiChanged(int dpi, const RECT& suggested);
    LRESULT OnCommand(int id, int code);

    // --- FormView --------------------------------------------------------------
    void AddListEntry(const std::string& text) override;
    void SelectListEntry(int index) override;
    std::string SelectedListText() override;
    void SetCheck(CheckBox box, CheckState state) override;
    CheckState GetCheck(CheckBox box) override;
    void EnableTimer() override;
    void DisableTimer() override;
    bool TimerEnabled() override { return timerEnabled_; }
    os::Window Owner() override { return hwnd_; }
    void BusyStarted() override;
    void BusyOver() override;
    void Closing() override;
    void PostClose() override;

    void SaveFocus();
    HWND Control(ControlId id) const { return controls_[IndexOf(id)]; }

    os::Win32Os os_;
    Form form_{os_, *this};

    HWND hwnd_ = nullptr;
    Controls controls_{};
    HFONT font_ = nullptr;
    HWND lastFocus_ = nullptr;
    int dpi_ = 96;
    bool timerEnabled_ = false;
};

} // namespace app
