// The form's window as plain state, for the tests of the form: the list, the
// check boxes and the timer, and a log of what the form did to them.
#pragma once

#include "app/Form.h"

#include <string>
#include <utility>
#include <vector>

namespace fake {

using Lines = std::vector<std::string>;

// The window's controls and timer as plain state. With `raiseEvents`, every
// change the form makes raises the control's change event, as some
// environments do.
class FakeView : public app::FormView {
  public:
    Lines* log = nullptr;
    app::Form* form = nullptr;
    bool raiseEvents = false;
    std::vector<std::string> entries;
    int selected = -1;
    app::CheckState checks[2] = {app::CheckState::Unchecked, app::CheckState::Unchecked};
    bool timer = false;

    void AddListEntry(const std::string& text) override
    {
        log->push_back("add " + text);
        entries.push_back(text);
    }
    void SelectListEntry(int index) override
    {
        log->push_back("select " + entries.at(static_cast<std::size_t>(index)));
        selected = index;
        if (raiseEvents)
            form->cboShutdown_Click();
    }
    std::string SelectedListText() override
    {
        return selected < 0 ? "" : entries.at(static_cast<std::size_t>(selected));
    }
    void SetCheck(app::CheckBox box, app::CheckState state) override
    {
        const bool ctrl = box == app::CheckBox::CTRL;
        log->push_back(std::string("check ") + (ctrl ? "CTRL " : "SHIFT ") +
                       std::to_string(static_cast<int>(state)));
        checks[ctrl ? 0 : 1] = state;
        if (raiseEvents && ctrl)
            form->chkShutdownCTRL_Click();
        if (raiseEvents && !ctrl)
            form->chkShutdownSHIFT_Click();
    }
    app::CheckState GetCheck(app::CheckBox box) override
    {
        return checks[box == app::CheckBox::CTRL ? 0 : 1];
    }
    void EnableTimer() override
    {
        log->push_back("timer on");
        timer = true;
    }
    void DisableTimer() override { timer = false; }
    bool TimerEnabled() override { return timer; }
    os::Window Owner() override { return this; }

    // Greyed, as the window greys its controls: only the first call shows.
    bool busy = false;
    void BusyStarted() override
    {
        if (!std::exchange(busy, true))
            log->push_back("busy");
    }
    void BusyOver() override
    {
        if (std::exchange(busy, false))
            log->push_back("not busy");
    }
    void Closing() override { log->push_back("closing"); }
    void PostClose() override { log->push_back("close posted"); }
};

} // namespace fake
