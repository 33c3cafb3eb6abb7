// frmMain's behaviour, apart from Win32: what the window decides at each of
// its events, by the phase it is in. The window itself (MainWindow.cpp)
// creates the controls, implements FormView over them and forwards every
// message to one event here.
//
// One owner at a time: while a batch of exchanges is under way (Opening,
// StartAsked, Running, CloseHeld, Ending), the worker's thread alone touches
// the link, the connection and the sequence, and the window's thread touches
// none of them; in every other phase the window's thread owns them, and no
// batch runs. The two threads share only the worker's call-off event and the
// posted kWmExchangesOver, which hands everything back. The phases keep this
// rule, so no lock guards the link.
#pragma once

#include "app/Hotkey.h"
#include "app/Worker.h"
#include "os/Os.h"
#include "settings/Settings.h"
#include "shutdown/Sequence.h"
#include "simlink/Connection.h"
#include "simlink/Link.h"

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

    // Exchanges are under way: "&Start Shutdown" and the hotkey controls are
    // greyed, so that the user's clicks and keys on them are dropped.
    // BusyStarted may come again before BusyOver and then changes nothing.
    virtual void BusyStarted() = 0;
    virtual void BusyOver() = 0;
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
    // stay: while a close already saves, and while exchanges are under way,
    // which then end first.
    void Form_Unload(int& cancel);
    // The session ends; the system ends the process without closing the window.
    void Form_EndSession();
    // The window is gone, or the message loop ended without it going.
    void Form_Terminate();
    // The program was started again; that start has ended and shown us.
    void Form_StartedAgain();
    // The worker's batch is over (kWmExchangesOver).
    void Worker_Over();

    // A batch of exchanges is under way: the worker still uses the form.
    bool Exchanging() const;

  private:
    // What the form is doing. Every event is decided by this alone.
    enum class Phase {
        Loading,    // Form_Load has not finished: the codes are being read and shown
        Idle,       // waiting for a tick, a click or a close
        Opening,    // the worker opens the link for a tick
        StartAsked, // opening, and Start was pressed: the run follows the open
        Running,    // the worker runs the shutdown
        CloseHeld,  // opening or running, and the user has asked to close
        Ending,     // opening or running, and the session has ended: already saved
        Telling,    // a run without a link shows the not-connected box
        Closing,    // a close saves the settings, perhaps with its warning box up
        Finished,   // saved, or never loaded: the window goes; nothing more happens
    };

    // Hands `batch` to the worker and enters `phase`; false, and still Idle,
    // when the worker could not start.
    bool Exchange(Phase phase, std::function<void()> batch);
    void Close();
    void SaveOnce();
    void UpdateHotkeyFromControls();

    os::Os& os_;
    FormView& view_;
    simlink::Link link_;
    simlink::Connection connection_{link_};
    Hotkey hotkey_;
    shutdown::Sequence sequence_;
    Worker worker_;

    Phase phase_ = Phase::Loading;
    // What Form_Load read; what the close does with the file depends on it.
    settings::LoadOutcome loaded_ = settings::LoadOutcome::Missing;
    // The user has changed a hotkey control since the load.
    bool hotkeyChanged_ = false;
};

} // namespace app
