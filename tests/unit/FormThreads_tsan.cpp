// The form and its worker on two real threads over the fake OS, built with
// ThreadSanitizer: the window's thread delivers what a user does during an
// open and a run, and nothing it does may touch what the worker owns. Any
// race is ThreadSanitizer's report and a failed run; the outcome is checked
// here, without GoogleTest, which the sanitized build does not link.
#include "app/Form.h"
#include "expect/SimVariables.h"
#include "fake/FakeOs.h"
#include "fake/FakeView.h"

#include <algorithm>
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
    const std::string settings = "SHUTDOWN_HK=81\r\nSHUTDOWN_HKCS=0\r\n";
    ThreadedOs os;
    os.files["C:\\Sim Tools\\Tollivane.ini"] = settings;
    os.peer.Set(expect::kOnGround, 2, 1);
    os.peer.Set(0x029C, 1, 1); // Pitot Heat on: one item to switch
    fake::Lines log;
    fake::FakeView view;
    view.log = &log;
    app::Form form(os, view);
    view.form = &form;
    form.Form_Load();

    // The open, with the window's events arriving while it runs.
    form.tmrTimer_Timer();
    form.tmrTimer_Timer();
    form.cmdShutdown_Click(); // the run follows the open
    Check(AwaitOver(os, form), "the open was over");

    // The run, with a close held for its end and what else the user does.
    form.tmrTimer_Timer();
    form.cmdShutdown_Click();
    view.selected = 10; // "9"
    form.cboShutdown_Click();
    int cancel = 0;
    form.Form_Unload(cancel);
    Check(cancel == 1, "the close was held");
    Check(AwaitOver(os, form), "the run was over");
    Check(std::count(log.begin(), log.end(), "close posted") == 1, "the held close was posted");
    cancel = 0;
    form.Form_Unload(cancel);
    Check(cancel == 0, "the close went ahead");

    const fake::Exchange& last = os.peer.exchanges.back();
    Check(!last.empty() && last.front().Text() == "Shutdown:  Complete", "the run completed");
    Check(os.atomsLive().empty(), "the link was closed");
    // The list's change during the run was dropped, as its greyed look says.
    Check(os.files["C:\\Sim Tools\\Tollivane.ini"] == settings,
          "the settings were saved as they were");
    if (failures == 0)
        std::puts("form and worker on two threads: passed");
    return failures == 0 ? 0 : 1;
}
