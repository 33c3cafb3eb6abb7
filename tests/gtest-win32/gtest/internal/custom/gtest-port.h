// Stands in for GoogleTest's own (empty) customisation header in the Windows
// builds. Their win32-thread runtime has no std::mutex or
// std::condition_variable, the only things GoogleTest's threading needs
// beyond Win32; this gives it the one class built on them, on a Win32 event.
#ifndef TOLLIVANE_GTEST_CUSTOM_PORT_H
#define TOLLIVANE_GTEST_CUSTOM_PORT_H

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

// Lets threads GoogleTest starts wait until they are told to go.
class Notification {
  public:
    Notification() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { ::CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { ::SetEvent(event_); }
    void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

  private:
    HANDLE event_;
};

} // namespace testing::internal

#endif
