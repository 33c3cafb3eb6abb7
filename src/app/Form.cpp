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
    : os_(os), view_(view), link_(os), sequence_(os, link_, connection_)
{
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

// Idle: opens the link if it is down, then samples the hotkey. In every other
// phase the tick is dropped: runs never nest, the link is never reopened
// under an open or a run, and a tick queued before a close stopped the timer
// starts nothing.
void Form::tmrTimer_Timer()
{
    if (phase_ != Phase::Idle)
        return;
    if (!connection_.Connected() && !Exchange(Phase::Opening, [this] { connection_.TryConnect(); }))
        return;
    PollHotkey(os_, hotkey_, [this] { cmdShutdown_Click(); });
}

// Idle: runs the shutdown, synchronously. Without a link that is the
// not-connected box, whose own message loop keeps the window alive. Dropped
// in every other phase.
void Form::cmdShutdown_Click()
{
    if (phase_ != Phase::Idle)
        return;
    sequence_.owner = view_.Owner();
    if (connection_.Connected()) {
        Exchange(Phase::Running, [this] { sequence_.cmdShutdown_Click(); });
        return;
    }
    phase_ = Phase::Telling;
    const ScopeExit told{[this] {
        if (phase_ == Phase::Telling)
            phase_ = Phase::Idle;
    }};
    sequence_.cmdShutdown_Click();
}

// Idle only: opening the browser can take seconds, and a run's pauses would wait.
void Form::cmdHelp_Click()
{
    if (phase_ == Phase::Idle)
        OpenHelp(os_, view_.Owner());
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
    case Phase::Running:
        // Held for the end, so that a close never leaves the aircraft half
        // shut down while the simulator answers; once it does not, the next
        // wait calls the exchanges off (TakeMessagesInWait).
        phase_ = Phase::CloseHeld;
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
    case Phase::Running:
    case Phase::CloseHeld:
        // The system may end the process as soon as this returns: the save
        // cannot wait. The link stays with the exchanges, which close it when
        // they are over, if the system lets them get that far.
        phase_ = Phase::Ending;
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
    // The window cannot go from under an open or a run; should the loop end
    // there all the same, the session's end is what it amounts to.
    Form_EndSession();
}

bool Form::Exchange(Phase phase, const std::function<void()>& exchanges)
{
    phase_ = phase;
    failedSendsBefore_ = link_.FailedSends();
    // A run shows itself at once; an open only once the simulator keeps it
    // waiting, or the button would flicker at every attempt.
    if (phase == Phase::Running)
        view_.BusyStarted();
    bool goOn = false;
    {
        // Whatever way the exchanges end, an exception's included, what was
        // asked meanwhile is carried out, and the next exchanges start clean.
        const ScopeExit over{[this, &goOn] {
            sequence_.takeMessages = nullptr;
            link_.takeMessages = nullptr;
            view_.BusyOver();
            switch (phase_) {
            case Phase::CloseHeld:
                // Idle, so that the close finds the form as any close does;
                // it comes before any input or tick that is waiting.
                phase_ = Phase::Idle;
                view_.PostClose();
                break;
            case Phase::Ending:
                link_.IpcClose();
                phase_ = Phase::Finished;
                break;
            default:
                phase_ = Phase::Idle;
                goOn = true;
                break;
            }
        }};
        const os::MessageStep step = [this] { return TakeMessagesInWait(); };
        sequence_.takeMessages = step;
        link_.takeMessages = step;
        // Synchronous on purpose: what the waits take meanwhile starts no
        // run or tick and touches not the link, so nothing overlaps.
        exchanges();
        // One last look, where the window showed itself busy: input made
        // during the last exchange goes the same way. An open that the
        // simulator answered at once took no input, and a click made during
        // it now finds the form Idle.
        if (phase == Phase::Running || Unanswered())
            view_.TakeMessages();
    }
    return goOn;
}

// A close held while the simulator answers waits for the end; once a send
// has gone unanswered since the exchanges began, the simulator may never
// answer again, and the close calls them off here, between two sends.
bool Form::TakeMessagesInWait()
{
    const bool unanswered = Unanswered();
    if (unanswered)
        view_.BusyStarted();
    view_.TakeMessages();
    return !(phase_ == Phase::CloseHeld && unanswered);
}

bool Form::Unanswered() const
{
    return link_.FailedSends() != failedSendsBefore_;
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

void Form::UpdateHotkeyFromControls()
{
    HotkeyControls controls;
    controls.timerEnabled = view_.TimerEnabled();
    controls.selection = view_.SelectedListText();
    controls.ctrlState = view_.GetCheck(CheckBox::CTRL);
    controls.shiftState = view_.GetCheck(CheckBox::SHIFT);
    UpdateHotkey(hotkey_, controls);
    // Only a change the user makes counts; restoring at load does not.
    if (controls.timerEnabled)
        hotkeyChanged_ = true;
}

} // namespace app
