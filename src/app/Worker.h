// The one thread that talks to the simulator. The window's thread hands it a
// batch of exchanges (an open, a run) and goes back to its messages; when the
// batch is over, the worker posts kWmExchangesOver to the window and ends.
// Who owns what meanwhile is the form's rule (Form.h).
#pragma once

#include "os/Os.h"

#include <cstdint>
#include <functional>

namespace app {

// WM_APP: private to the window's class.
inline constexpr std::uint32_t kWmExchangesOver = 0x8000;

class Worker {
  public:
    explicit Worker(os::Os& os);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // From the window's thread, with no batch under way: runs `batch` on a
    // thread of its own, with the call-off event reset. False when no thread
    // could be made; the batch has not run then, and nothing will be posted.
    bool Start(os::Window window, std::function<void()> batch);

    // What the link's waits watch: set, it ends those that follow a send the
    // simulator did not answer. Any thread.
    os::Handle CallOffEvent() const { return callOff_; }
    void CallOff();
    void KeepOn();

  private:
    static void Run(void* self);

    os::Os& os_;
    os::Handle callOff_;
    os::Window window_ = nullptr;
    std::function<void()> batch_;
};

} // namespace app
