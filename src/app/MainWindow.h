// frmMain, the program's one window. It owns the link and everything that
// uses it, and turns the window's events into calls on them: the load that
// restores the hotkey, the one-second tick that keeps the link and polls the
// hotkey, the two buttons, the hotkey controls and the unload.
#pragma once

#include "app/Connection.h"
#include "app/Hotkey.h"
#include "app/Layout.h"
#include "os/Os_win.h"
#include "shutdown/Sequence.h"
#include "simlink/Link.h"

#include <windows.h>

#include <array>

namespace app {

inline constexpr const wchar_t* kWindowClass = L"TollivaneMain";
inline constexpr const wchar_t* kWindowCaption = L"Tollivane";
inline constexpr UINT_PTR kTimerId = 1;
inline constexpr UINT kTimerIntervalMs = 1000;

class MainWindow {
  public:
    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window and its controls, runs Form_Load and shows the
    // window. False when the window could not be created.
    bool Create(HINSTANCE instance, int showCommand);
    HWND Handle() const { return hwnd_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // --- Events --------------------------------------------------------------
    LRESULT Form_Create();
    void Form_Load();
    LRESULT Form_Activate(WPARAM state);
    LRESULT Form_Unload();
    LRESULT Form_EndSession(bool ending);
    LRESULT Form_Terminate();
    void Form_Detach();
    LRESULT Form_DpiChanged(int dpi, const RECT& suggested);
    LRESULT Control_Command(int id, int code);
    void tmrTimer_Timer();
    void cmdShutdown_Click();
    void cmdHelp_Click();
    void cboShutdown_Click();
    void chkShutdownCTRL_Click();
    void chkShutdownSHIFT_Click();

    // --- Private operations ----------------------------------------------------
    void CreateControls();
    void LayOutControls();
    void SizeList(const PixelRect& closed);
    void FitListHeight(const PixelRect& closed);
    RECT CentredWindowRect() const;
    SIZE WindowSize() const;
    void UpdateHotkeyFromControls();
    HWND Control(ControlId id) const { return controls_[IndexOf(id)]; }

    os::Win32Os os_;
    simlink::Link link_{os_};
    Connection connection_{link_};
    Hotkey hotkey_;
    shutdown::Sequence sequence_{os_, link_, connection_};

    HWND hwnd_ = nullptr;
    std::array<HWND, kControls.size()> controls_{};
    HFONT font_ = nullptr;
    HWND lastFocus_ = nullptr;
    int dpi_ = 96;
    // tmrTimer's enabled state; it also tells that loading is over.
    bool timerEnabled_ = false;
    bool inRun_ = false;
};

} // namespace app
