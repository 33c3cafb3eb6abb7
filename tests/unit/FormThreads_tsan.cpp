// The form and its worker on two real threads over the fake OS, built with
// ThreadSanitizer: the window's thread delivers what a user does during an
// open and a run, and nothing it does may touch what the worker owns. Any
// race is ThreadSanitizer's report and a failed run; the outcome is checked
// here, without GoogleTest, which the sanitized build does not link.
#include "app/Form.h"
#include "expect/SimVariables.h"
#include "fake/FakeOs.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The fake OS with real threads, and a queue of posted messages that the
// test's "window thread" waits on.
class ThreadedOs : public fake::FakeOs {
  public:
    ~ThreadedOs() override
    {
        for (std::thread& thread : threads_)
            thread.join();
    }

    os::Handle CreateThread(ThreadStart start, void* parameter) override
    {
        threads_.emplace_back(start, parameter);
        return FakeOs::CreateThread([](void*) {}, nullptr);
    }

    bool PostMessageW(os::Window, std::uint32_t message, std::uintptr_t, std::intptr_t) override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(message);
        arrived_.notify_one();
        return true;
    }

    // The next posted message, as GetMessage would take it; 0 after 10 s.
    std::uint32_t GetMessage()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!arrived_.wait_for(lock, std::chrono::seconds(10), [this] { return !queue_.empty(); }))
            return 0;
        const std::uint32_t message = queue_.front();
        queue_.pop_front();
        return message;
    }

  private:
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::uint32_t> queue_;
};

class View : public app::FormView {
  public:
    bool timer = false, busy = false, closePosted = false;
    int selected = 0;
    void AddListEntry(const std::string&) override {}
    void SelectListEntry(int index) override { selected = index; }
    std::string SelectedListText() override { return selected == 0 ? "None" : "A"; }
    void SetCheck(app::CheckBox, app::CheckState) override {}
    app::CheckState GetCheck(app::CheckBox) override { return app::CheckState::Unchecked; }
    void EnableTimer() override { timer = true; }
    void DisableTimer() override { timer = false; }
    bool TimerEnabled() override { return timer; }
    os::Window Owner() override { return this; }
    void BusyStarted() override { busy = true; }
    void BusyOver() override { busy = false; }
    void Closing() override {}
    void PostClose() override { closePosted = true; }
};

int failures = 0;

void Check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

// Takes posted messages until the worker's batch is over.
bool AwaitOver(ThreadedOs& os, app::Form& form)
{
    for (;;) {
        const std::uint32_t message = os.GetMessage();
        if (message == 0)
            return false;
        if (message == app::kWmExchangesOver) {
            form.Worker_Over();
            return true;
        }
    }
}

} // namespace

int main()
{
    ThreadedOs os;
    os.peer.Set(expect::kOnGround, 2, 1);
    os.peer.Set(0x029C, 1, 1); // Pitot Heat on: one item to switch
    View view;
    app::Form form(os, view);
    form.Form_Load();

    // The open, with the window's events arriving while it runs.
    form.tmrTimer_Timer();
    form.tmrTimer_Timer();
    form.cmdShutdown_Click(); // the run follows the open
    Check(AwaitOver(os, form), "the open was over");

    // The run, with a close held for its end and what else the user does.
    form.tmrTimer_Timer();
    form.cmdShutdown_Click();
    view.selected = 1;
    form.cboShutdown_Click();
    int cancel = 0;
    form.Form_Unload(cancel);
    Check(cancel == 1, "the close was held");
    Check(AwaitOver(os, form), "the run was over");
    Check(view.closePosted, "the held close was posted");
    cancel = 0;
    form.Form_Unload(cancel);
    Check(cancel == 0, "the close went ahead");

    const fake::Exchange& last = os.peer.exchanges.back();
    Check(!last.empty() && last.front().Text() == "Shutdown:  Complete", "the run completed");
    Check(os.atomsLive().empty(), "the link was closed");
    Check(os.files.count("C:\\Sim Tools\\Tollivane.ini") == 1, "the settings were saved");
    if (failures == 0)
        std::puts("form and worker on two threads: passed");
    return failures == 0 ? 0 : 1;
}
