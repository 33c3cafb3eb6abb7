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
    loaded_ = settings::LoadSettings(os_, hotkey_.HotkeyKey, hotkey_.HotkeyModifiers);

    // "None", then "0" to "9", then "A" to "Z"; the list is not sorted.
    for (int i = 0; i < kHotkeyListSize; ++i)
        view_.AddListEntry(HotkeyListEntry(i));

    const RestoredControls shown = RestoreHotkeyControls(hotkey_);
    view_.SelectListEntry(shown.selection);
    if (shown.ctrl)
        view_.SetCheck(CheckBox::CTRL, 1);
    if (shown.shift)
        view_.SetCheck(CheckBox::SHIFT, 1);

    // Last of all: until the timer runs, a change event from restoring the
    // controls cannot rewrite the codes just read, and the first attempt at
    // the link waits a whole interval.
    view_.EnableTimer();
}

void Form::tmrTimer_Timer()
{
    // A run takes messages in its waits and inside its message box; a tick
    // that arrives there is dropped, so runs never nest and the link is not
    // reopened under a run. A tick queued before the close stopped the timer
    // is dropped too.
    if (inRun_ || finished_)
        return;
    if (!connection_.Connected())
        connection_.TryConnect();
    PollHotkey(os_, hotkey_, [this] { cmdShutdown_Click(); });
}

void Form::cmdShutdown_Click()
{
    if (inRun_ || finished_)
        return;
    inRun_ = true;
    sequence_.owner = view_.Owner();
    // Only a run with a link waits; the not-connected box takes the window's
    // messages by itself, and a close there goes through at once.
    exchanging_ = connection_.Connected();
    {
        // Whatever way the run ends, even by an exception, later clicks and
        // ticks must still be able to start the next one, and the next
        // opening of the link must not take messages.
        const ScopeExit runOver{[this] {
            sequence_.takeMessages = nullptr;
            link_.takeMessages = nullptr;
            inRun_ = false;
            if (exchanging_)
                view_.RunOver();
            exchanging_ = false;
        }};
        if (exchanging_) {
            view_.RunStarted();
            const os::MessageStep takeMessages = [this] { view_.TakeMessages(); };
            sequence_.takeMessages = takeMessages;
            link_.takeMessages = takeMessages;
        }
        // Synchronous on purpose: what the waits take meanwhile starts no
        // run or tick and touches not the link, so nothing overlaps the run.
        sequence_.cmdShutdown_Click();
        // One last look: input made during the last exchange goes the same way.
        if (exchanging_)
            view_.TakeMessages();
    }
    // What the run held back: the end of the session closes the link, and the
    // user's close the window.
    if (finished_)
        link_.IpcClose();
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        view_.PostClose();
    }
}

void Form::cmdHelp_Click()
{
    // Opening the browser can take seconds, and a run's pauses would wait.
    if (inRun_)
        return;
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
    // The window goes when the run is over, so that a close never leaves
    // the aircraft half shut down.
    if (exchanging_) {
        closeAfterRun_ = true;
        cancel = 1;
        return;
    }
    // A second close from inside the first one's warning box: the first
    // one is still saving, and closes the window when it has.
    if (unloading_) {
        cancel = 1;
        return;
    }
    unloading_ = true;
    const ScopeExit unloaded{[this] { unloading_ = false; }};
    Finish();
}

void Form::Form_EndSession()
{
    Finish();
}

void Form::Form_Terminate()
{
    Finish();
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

// Every way out comes here, some of them more than once (a close and then the
// window's destruction, or the end of the session too): the settings are saved
// and the link closed exactly once.
void Form::Finish()
{
    if (finished_)
        return;
    // Set first: the save's warning box pumps messages, and whatever arrives
    // there must find the work done.
    finished_ = true;
    // No tick may start a run while the window goes.
    view_.DisableTimer();
    // A form that never loaded (its window could not be created) knows nothing
    // of the file. A file that was there but could not be read still holds the
    // user's choice. The defaults must replace neither, unless the user has
    // chosen again since.
    if (loaded_ && (*loaded_ != settings::LoadOutcome::Unreadable || hotkeyChanged_))
        settings::SaveSettings(os_, hotkey_.HotkeyKey, hotkey_.HotkeyModifiers, view_.Owner());
    // The atom that names our section lives in the global table, not in the
    // process: left open, the link would leave it behind for good. An end of
    // the session that arrives during a run's wait must not pull the link
    // from under its exchanges: the run closes it when it is over, if the
    // system lets it get that far.
    if (!exchanging_)
        link_.IpcClose();
}

} // namespace app
