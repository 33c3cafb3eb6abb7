// frmMain's behaviour, apart from Win32: what the window decides at each of
// its events, by the phase it is in. The window itself (MainWindow.cpp)
// creates the controls, implements FormView over them, forwards every message
// to one event here, and drops the user's input while the form waits on the
// simulator.
#pragma once

#include "app/Hotkey.h"
#include "os/Os.h"
#include "settings/Settings.h"
#include "shutdown/Sequence.h"
#include "simlink/Connection.h"
#include "simlink/Link.h"

#include <cstdint>
#include <functional>
#include <string>

namespace app {

// The two hotkey check boxes, for FormView's check calls.
enum class CheckBox { CTRL, SHIFT };

// What the form needs of its window: the controls, the timer and the owner of
// its message boxes.
class FormView {
  public:
    virtual ~FormView() = default;

    virtual void AddListEntry(const std::string& text) = 0;
    virtual void SelectListEntry(int index) = 0;
    // The text of cboShutdown's current entry; "" when none is selected.
    virtual std::string SelectedListText() = 0;
    virtual void SetCheck(CheckBox box, CheckState state) = 0;
    virtual CheckState GetCheck(CheckBox box) = 0;
    // tmrTimer: 1000 ms, created disabled.
    virtual void EnableTimer() = 0;
    virtual void DisableTimer() = 0;
    virtual bool TimerEnabled() = 0;
    virtual os::Window Owner() = 0;

    // The form waits on the simulator with the user's clicks and keys on the
    // controls dropped: the window may show it ("&Start Shutdown" greyed).
    // BusyStarted may come again before BusyOver and then changes nothing.
    virtual void BusyStarted() = 0;
    // The exchanges are over: whatever their waits held back goes on.
    virtual void BusyOver() = 0;
    // What the waits between sends call: takes the messages waiting for the
    // window and lets it handle them, except the user's clicks and keys
    // aimed at its controls, which are dropped.
    virtual void TakeMessages() = 0;
    // A close goes ahead: the settings are saved and the window goes.
    virtual void Closing() = 0;
    // Closes the window as its close box does, once the event under way is over.
    virtual void PostClose() = 0;
};

class Form {
  public:
    Form(os::Os& os, FormView& view);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // --- Events ----------------------------------------------------------------
    // Once, after the controls exist and before the window is shown.
    void Form_Load();
    void tmrTimer_Timer();
    void cmdShutdown_Click();
    void cmdHelp_Click();
    void cboShutdown_Click();
    void chkShutdownCTRL_Click();
    void chkShutdownSHIFT_Click();
    // The user closes the window. Sets cancel (to 1) where the window must
    // stay: while a close already saves, and while the form opens the link
    // or runs, which then end first.
    void Form_Unload(int& cancel);
    // The session ends; the system ends the process without closing the window.
    void Form_EndSession();
    // The window is gone, or the message loop ended without it going.
    void Form_Terminate();

  private:
    // What the form is doing. Every event is decided by this alone.
    enum class Phase {
        Loading,   // Form_Load has not finished: the codes are being read and shown
        Idle,      // waiting for a tick, a click or a close
        Opening,   // a tick's TryConnect exchanges the handshake with the simulator
        Running,   // a run exchanges with the simulator
        CloseHeld, // opening or running, and the user has asked to close
        Ending,    // opening or running, and the session has ended: already saved
        Telling,   // a run without a link shows the not-connected box
        Closing,   // a close saves the settings, perhaps with its warning box up
        Finished,  // saved, or never loaded: the window goes; nothing more happens
    };

    // Opening and Running: `phase` for as long as `exchanges` talk to the
    // simulator, with the window alive; what was asked meanwhile follows.
    // False when the form left Idle for good.
    bool Exchange(Phase phase, const std::function<void()>& exchanges);
    bool TakeMessagesInWait();
    // A send has gone unanswered since the open or the run began.
    bool Unanswered() const;
    void Close();
    void SaveOnce();
    void UpdateHotkeyFromControls();

    os::Os& os_;
    FormView& view_;
    simlink::Link link_;
    simlink::Connection connection_{link_};
    Hotkey hotkey_;
    shutdown::Sequence sequence_;

    Phase phase_ = Phase::Loading;
    // What Form_Load read; what the close does with the file depends on it.
    settings::LoadOutcome loaded_ = settings::LoadOutcome::Missing;
    // The user has changed a hotkey control since the load.
    bool hotkeyChanged_ = false;
    // The link's count of unanswered sends when the open or the run began.
    std::uint32_t failedSendsBefore_ = 0;
};

} // namespace app
