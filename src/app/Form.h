// frmMain's behaviour, apart from Win32: what the window decides at each of
// its events. The window itself (MainWindow.cpp) only creates the controls,
// implements FormView over them and forwards every message to one event here.
#pragma once

#include "app/Hotkey.h"
#include "os/Os.h"
#include "settings/Settings.h"
#include "shutdown/Sequence.h"
#include "simlink/Connection.h"
#include "simlink/Link.h"

#include <optional>
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
    // Check box states: 0 unchecked, 1 checked, 2 greyed.
    virtual void SetCheck(CheckBox box, int state) = 0;
    virtual int GetCheck(CheckBox box) = 0;
    // tmrTimer: 1000 ms, created disabled.
    virtual void EnableTimer() = 0;
    virtual void DisableTimer() = 0;
    virtual bool TimerEnabled() = 0;
    virtual os::Window Owner() = 0;

    // A run is talking to the simulator, from RunStarted to RunOver; the
    // window may show it ("&Start Shutdown" greyed).
    virtual void RunStarted() = 0;
    virtual void RunOver() = 0;
    // What the run's waits call: takes the messages waiting for the window
    // and lets it handle them, except the user's clicks and keys aimed at
    // its controls, which are dropped.
    virtual void TakeMessages() = 0;
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
    // The user closes the window. Sets cancel (to 1) for a close that arrives
    // while an earlier one is still saving: that one closes the window. And
    // for one that arrives while a run talks to the simulator: the window
    // closes when the run is over.
    void Form_Unload(int& cancel);
    // The session ends; the system ends the process without closing the window.
    void Form_EndSession();
    // The window is gone, or the message loop ended without it going.
    void Form_Terminate();

    const Hotkey& CurrentHotkey() const { return hotkey_; }
    const simlink::Connection& LinkConnection() const { return connection_; }

private:
    void UpdateHotkeyFromControls();
    void Finish();

    os::Os& os_;
    FormView& view_;
    simlink::Link link_;
    simlink::Connection connection_{link_};
    Hotkey hotkey_;
    shutdown::Sequence sequence_;

    // None until Form_Load has read the file.
    std::optional<settings::LoadOutcome> loaded_;
    bool hotkeyChanged_ = false;
    bool inRun_ = false;
    // Past the run's start with a link: a close waits for the run's end,
    // and nothing but the run touches the link.
    bool exchanging_ = false;
    bool closeAfterRun_ = false;
    bool unloading_ = false;
    bool finished_ = false;
};

} // namespace app
