// Runs the simulator stand-in (TollivaneSim.exe) beside a Wine test, and reads
// the journal it keeps of every record it carries out.
//
//   wine::StandInProcess sim("--scenario running-single");
//   ASSERT_TRUE(sim.Started());
//   ... drive the product's link against it ...
//   ASSERT_TRUE(sim.WaitForJournalLines(2, 5000));
//   auto lines = sim.Journal();
//
// One stand-in at a time: the product finds the simulator by window class, so
// two running stand-ins of the same class would answer for each other.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wine {

// One line of the journal: "<exchange>\t<micros>\t<R|W>\t<0xOOOO>\t<size>\t<value>".
struct JournalLine {
    int exchange;     // the stand-in's message number, from 1
    long long micros; // microseconds since the stand-in started
    char kind;        // 'R' or 'W'
    unsigned offset;
    unsigned size;
    // The sixth field exactly as written: unsigned decimal for sizes 1, 2 and
    // 4; the message text in double quotes for the 128-byte write at 0x3380
    // (e.g. "\"Shutdown:  Complete\""); lowercase hex bytes otherwise.
    std::string value;

    // The value as a number (sizes 1, 2, 4); 0 when it is not one.
    unsigned long long Number() const;
    // The text of a quoted value, unquoted and unescaped; the value itself otherwise.
    std::string Text() const;
};

// Parses one journal line (without its line end); false when it is malformed.
bool ParseJournalLine(const std::string& text, JournalLine& line);

class StandInProcess {
  public:
    // Starts TollivaneSim.exe (found beside the running test executable) with
    // these arguments and waits up to 30 s for its window. A journal file in
    // the temp directory is added, and unless the arguments name one, a
    // lifetime of 300 s, so that a crashed test cannot leave it running.
    explicit StandInProcess(const std::string& arguments);
    ~StandInProcess();
    StandInProcess(const StandInProcess&) = delete;
    StandInProcess& operator=(const StandInProcess&) = delete;

    bool Started() const { return window_ != nullptr; }
    HWND Window() const { return window_; }
    DWORD ProcessId() const { return processId_; }
    const std::string& JournalPath() const { return journalPath_; }

    // Asks it to close (WM_CLOSE, or WM_QUIT to its thread once its window is
    // gone), waits up to 10 s, and terminates it as a last resort. Harmless
    // when it has ended already. The journal stays readable until destruction.
    void Stop();
    // True while the process runs.
    bool Running() const;
    // Waits up to timeoutMs for the process to end by itself; its exit code,
    // or -1 when it is still running.
    int WaitForExit(unsigned timeoutMs);

    // Every complete line of the journal so far.
    std::vector<JournalLine> Journal() const;
    // Waits until the journal has at least n lines; false on timeout.
    bool WaitForJournalLines(std::size_t n, unsigned timeoutMs) const;

  private:
    HANDLE process_ = nullptr;
    HANDLE job_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
    std::string journalPath_;
};

// Finds the top-level window of class "UIPCMAIN" or "FS98MAIN" that belongs to
// the process; null when there is none.
HWND FindStandInWindow(DWORD processId);

} // namespace wine
