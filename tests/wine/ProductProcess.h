// Runs Tollivane.exe beside a Wine test, the way a user has it: a copy of its
// own in a fresh directory with a prepared Tollivane.ini, driven from outside
// through its window.
//
//   wine::StandInProcess sim("--scenario cold-and-dark");
//   wine::ProductProcess app("SHUTDOWN_HK=81\r\nSHUTDOWN_HKCS=3\r\n");
//   ASSERT_TRUE(app.Started());
//   ... wait for the handshake in sim's journal ...
//   app.ClickStart();
//   ASSERT_TRUE(app.WaitUntilHandled(30000));
//   ASSERT_TRUE(app.Close());
//
// Every wait has a deadline: a program that misbehaves must fail the test,
// not hang it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace wine {

// Polls `condition` every few milliseconds until it holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, unsigned timeoutMs);

class ProductProcess {
  public:
    // Copies Tollivane.exe, its help page and its sound from beside the running
    // test into a directory of its own, writes `settings` there as
    // Tollivane.ini (no file when it is nullopt), starts the copy and waits up
    // to 30 s for its window.
    explicit ProductProcess(const std::optional<std::string>& settings);
    // Closes the program if it still runs (terminating it as a last resort)
    // and removes its directory.
    ~ProductProcess();
    ProductProcess(const ProductProcess&) = delete;
    ProductProcess& operator=(const ProductProcess&) = delete;

    bool Started() const { return window_ != nullptr; }
    HWND Window() const { return window_; }
    DWORD ProcessId() const { return processId_; }
    // The directory its copy runs from.
    const std::string& Directory() const { return directory_; }
    // The name of its section and atom: fixed by its process id.
    std::string SectionName() const;
    bool Running() const;

    // Its thread answers a message within the time.
    bool Responsive(unsigned timeoutMs) const;

    // Posts BM_CLICK to "&Start Shutdown", as a click of the user's is queued.
    bool ClickStart() const;
    // A run talks to the simulator: "&Start Shutdown" is greyed.
    bool RunUnderWay() const;
    // Waits until the program has handled everything posted to it so far, a
    // whole run included. False when that took longer than the time.
    bool WaitUntilHandled(unsigned timeoutMs) const;

    // The message box the program shows (a "#32770" captioned "Tollivane"),
    // or null.
    HWND ShownMessageBox() const;
    static std::string MessageBoxText(HWND box);
    // Presses OK on the box and waits for it to go.
    bool DismissMessageBox(HWND box, unsigned timeoutMs) const;

    // Closes the window as the user would and waits for the process to end.
    bool Close(unsigned timeoutMs = 10000);
    // The exit code once the process has ended; -1 before.
    long ExitCode() const;

    // Tollivane.ini as it now stands; nothing when there is none.
    std::optional<std::string> Settings() const;

  private:
    HWND Button(const wchar_t* caption) const;

    std::string directory_;
    HANDLE job_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

} // namespace wine
