#include "app/Worker.h"

#include <utility>

namespace app {

Worker::Worker(os::Os& os) : os_(os), callOff_(os.CreateEventW()) {}

Worker::~Worker()
{
    if (callOff_ != nullptr)
        os_.CloseHandle(callOff_);
}

bool Worker::Start(os::Window window, std::function<void()> batch)
{
    KeepOn();
    window_ = window;
    batch_ = std::move(batch);
    const os::Handle thread = os_.CreateThread(&Worker::Run, this);
    if (thread == nullptr) {
        batch_ = nullptr;
        return false;
    }
    // Nobody waits for the thread: it ends by itself once it has posted.
    os_.CloseHandle(thread);
    return true;
}

void Worker::CallOff()
{
    if (callOff_ != nullptr)
        os_.SetEvent(callOff_);
}

void Worker::KeepOn()
{
    if (callOff_ != nullptr)
        os_.ResetEvent(callOff_);
}

void Worker::Run(void* self)
{
    auto& worker = *static_cast<Worker*>(self);
    // Nothing may leave a thread's entry point; a batch that fails half-way
    // is over all the same, and the window must hear so.
    try {
        worker.batch_();
    } catch (...) {
    }
    worker.batch_ = nullptr;
    // Fails only when the window is gone or its queue is full (10,000
    // messages); neither leaves anyone to tell.
    worker.os_.PostMessageW(worker.window_, kWmExchangesOver, 0, 0);
}

} // namespace app
