#include "app/Form.h"

#include "app/Help.h"
#include "app/HotkeyList.h"

#include <utility>

namespace app {

namespace {

// Runs on every way out of a scope, an exception's included.
template <typename Fn> class ScopeExit {
  public:
    explicit ScopeExit(Fn fn) : fn_(std::move(fn)) {}
    ~ScopeExit() { fn_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

  private:
    Fn fn_;
};

} // namespace

Form::Form(os::Os& os, FormView& view)
    : os_(os), view_(view), link_(os), sequence_(os, link_, connection_), worker_(os)
{
    link_.callOff = worker_.CallOffEvent();
}

void Form::Form_Load()
{
    loaded_ = settings::LoadSettings(os_, hotkey_);

    // "None", then "0" to "9", then "A" to "Z"; the list is not sorted.
    for (int i = 0; i < kHotkeyListSize; ++i)
        view_.AddListEntry(HotkeyListEntry(i));

    const RestoredControls shown = RestoreHotkeyControls(hotkey_);
    view_.SelectListEntry(shown.selection);
    if (shown.ctrl)
        view_.SetCheck(CheckBox::CTRL, CheckState::Checked);
    if (shown.shift)
        view_.SetCheck(CheckBox::SHIFT, CheckState::Checked);

    // Last of all: until the timer runs, a change event from restoring the
    // controls cannot rewrite the codes just read, and the first attempt at
    // the link waits a whole interval.
    phase_ = Phase::Idle;
    view_.EnableTimer();
}

// Idle: opens the link if it is down (the hotkey is sampled once the open is
// over), then samples the hotkey. An open that outlasts a whole interval
// keeps the user waiting, and shows it. In every other phase the tick is
// dropped: runs never nest, and the link is never reopened under an open or
// a run.
void Form::tmrTimer_Timer()
{
    switch (phase_) {
    case Phase::Idle:
        if (!connection_.Connected()) {
            // With no simulator's window to open to, the open would end at
            // its look-up; that is made here, and the worker is not woken
            // once a second for it while the simulator is away. What is left
            // of the link goes all the same, as the open would close it.
            if (simlink::Link::FindSimWindow(os_) == nullptr)
                link_.IpcClose();
            else if (Exchange(Phase::Opening, [this] { connection_.TryConnect(); }))
                return;
        }
        PollHotkey(os_, hotkey_, [this] { cmdShutdown_Click(); });
        return;
    case Phase::Opening:
    case Phase::StartAsked:
        view_.BusyStarted();
        return;
    default:
        return;
    }
}

// Idle: hands the run to the worker. Without a link that is the
// not-connected box, whose own message loop keeps the window alive. During
// an open, the run waits for it; in every other phase the press is dropped.
void Form::cmdShutdown_Click()
{
    switch (phase_) {
    case Phase::Idle:
        break;
    case Phase::Opening:
        phase_ = Phase::StartAsked;
        return;
    default:
        return;
    }
    sequence_.owner = view_.Owner();
    if (connection_.Connected()) {
        view_.BusyStarted();
        if (!Exchange(Phase::Running, [this] { sequence_.cmdShutdown_Click(); }))
            view_.BusyOver();
        return;
    }
    phase_ = Phase::Telling;
    const ScopeExit told{[this] {
        if (phase_ == Phase::Telling)
            phase_ = Phase::Idle;
    }};
    sequence_.cmdShutdown_Click();
}

// Opening the browser touches nothing of the link's, so it may come during
// exchanges, which go on meanwhile.
void Form::cmdHelp_Click()
{
    switch (phase_) {
    case Phase::Idle:
    case Phase::Opening:
    case Phase::StartAsked:
    case Phase::Running:
    case Phase::CloseHeld:
        OpenHelp(os_, view_.Owner());
        return;
    default:
        return;
    }
}

void Form::cboShutdown_Click()
{
    UpdateHotkeyFromControls();
}

void Form::chkShutdownCTRL_Click()
{
    UpdateHotkeyFromControls();
}

void Form::chkShutdownSHIFT_Click()
{
    UpdateHotkeyFromControls();
}

void Form::Form_Unload(int& cancel)
{
    switch (phase_) {
    case Phase::Loading:
        // Its window could not be made: the form knows nothing of the file.
        phase_ = Phase::Finished;
        return;
    case Phase::Idle:
    case Phase::Telling:
        Close();
        return;
    case Phase::Opening:
    case Phase::StartAsked:
    case Phase::Running:
        // Held for the end, so that a close never leaves the aircraft half
        // shut down while the simulator answers. Once it does not, the next
        // wait calls the exchanges off.
        phase_ = Phase::CloseHeld;
        view_.BusyStarted();
        worker_.CallOff();
        cancel = 1;
        return;
    case Phase::CloseHeld:
    case Phase::Ending:
    case Phase::Closing:
        // Already on the way out: a held close, the first close's save or
        // the end of the session takes its course.
        cancel = 1;
        return;
    case Phase::Finished:
        return;
    }
}

void Form::Form_EndSession()
{
    switch (phase_) {
    case Phase::Loading:
        phase_ = Phase::Finished;
        return;
    case Phase::Idle:
    case Phase::Telling:
        Close();
        return;
    case Phase::Opening:
    case Phase::StartAsked:
    case Phase::Running:
    case Phase::CloseHeld:
        // The system may end the process as soon as this returns: the save
        // cannot wait. The link stays with the worker, and is closed when
        // its batch is over, if the system lets it get that far.
        phase_ = Phase::Ending;
        worker_.CallOff();
        SaveOnce();
        return;
    case Phase::Ending:
    case Phase::Closing:
    case Phase::Finished:
        return;
    }
}

void Form::Form_Terminate()
{
    // The window cannot go from under exchanges; should the loop end there
    // all the same, the session's end is what it amounts to.
    Form_EndSession();
}

// The user who starts the program again wants it: a close held for the run's
// end no longer stands.
void Form::Form_StartedAgain()
{
    if (phase_ != Phase::CloseHeld)
        return;
    worker_.KeepOn();
    phase_ = Phase::Running;
}

// The worker is done: the link, the connection and the sequence are the
// window's thread's again.
void Form::Worker_Over()
{
    if (!Exchanging())
        return;
    view_.BusyOver();
    const Phase was = std::exchange(phase_, Phase::Idle);
    switch (was) {
    case Phase::Opening:
        PollHotkey(os_, hotkey_, [this] { cmdShutdown_Click(); });
        return;
    case Phase::StartAsked:
        cmdShutdown_Click();
        return;
    case Phase::CloseHeld:
        // Idle, so that the close finds the form as any close does; it comes
        // before any input or tick that is waiting.
        view_.PostClose();
        return;
    case Phase::Ending:
        link_.IpcClose();
        phase_ = Phase::Finished;
        return;
    default:
        return;
    }
}

bool Form::Exchanging() const
{
    switch (phase_) {
    case Phase::Opening:
    case Phase::StartAsked:
    case Phase::Running:
    case Phase::CloseHeld:
    case Phase::Ending:
        return true;
    default:
        return false;
    }
}

bool Form::Exchange(Phase phase, std::function<void()> batch)
{
    phase_ = phase;
    if (worker_.Start(view_.Owner(), std::move(batch)))
        return true;
    phase_ = Phase::Idle;
    return false;
}

// The save's warning box takes the window's messages: whatever arrives there
// finds the form Closing.
void Form::Close()
{
    phase_ = Phase::Closing;
    view_.Closing();
    SaveOnce();
    // The atom that names our section lives in the global table, not in the
    // process: left open, the link would leave it behind for good.
    link_.IpcClose();
    phase_ = Phase::Finished;
}

// Called once per loaded form, from the close or from the end of the session.
void Form::SaveOnce()
{
    // No tick may start a run while the window goes.
    view_.DisableTimer();
    // A file that was there but could not be read still holds the user's
    // choice. The defaults must not replace it, unless the user has chosen
    // again since.
    if (loaded_ != settings::LoadOutcome::Unreadable || hotkeyChanged_)
        settings::SaveSettings(os_, hotkey_, view_.Owner());
}

// Restoring the controls at load is not the user's choice, and once the
// settings are saved, or while a run greys the controls, no choice counts.
void Form::UpdateHotkeyFromControls()
{
    switch (phase_) {
    case Phase::Idle:
    case Phase::Opening:
    case Phase::StartAsked:
    case Phase::Telling:
        break;
    default:
        return;
    }
    HotkeyControls controls;
    controls.timerEnabled = view_.TimerEnabled();
    controls.selection = view_.SelectedListText();
    controls.ctrlState = view_.GetCheck(CheckBox::CTRL);
    controls.shiftState = view_.GetCheck(CheckBox::SHIFT);
    UpdateHotkey(hotkey_, controls);
    hotkeyChanged_ = true;
}

} // namespace app
