// What the fault tests ask of Tollivane.exe after each thing a misbehaving
// simulator does to it, as seen from outside: through its window, the
// stand-in's journal, its settings file and the global atom table.
#pragma once

#include "expect/SimVariables.h"
#include "expect/Wire.h"
#include "wine/ProductProcess.h"
#include "wine/StandInProcess.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace wine::faults {

// CTRL+SHIFT+Q: a hotkey nobody presses by chance, so that only our clicks
// start runs; written back byte for byte when the program closes.
inline constexpr const char* kSettings = "SHUTDOWN_HK=81\r\nSHUTDOWN_HKCS=3\r\n";

// The first tick comes a second after the window; a loaded machine may be late.
inline constexpr unsigned kTickWaitMs = 5000;
// An exchange whose every send fails gives up after its 40 pauses of 100 ms.
inline constexpr long long kGiveUpMs = 4000;
// Short of the 4 s by a little: Sleep may wake a few milliseconds early.
inline constexpr long long kGiveUpLeastMs = kGiveUpMs - 300;

using Clock = std::chrono::steady_clock;

inline long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// How many exchanges read the version: one per handshake attempt that reached
// the stand-in and was carried out.
inline int Handshakes(const StandInProcess& sim)
{
    std::set<int> exchanges;
    for (const JournalLine& line : sim.Journal())
        if (line.kind == 'R' && line.offset == expect::wire::kOffsetVersion)
            exchanges.insert(line.exchange);
    return static_cast<int>(exchanges.size());
}

inline bool WaitForHandshakes(const StandInProcess& sim, int count,
                              unsigned timeoutMs = kTickWaitMs)
{
    return WaitFor([&] { return Handshakes(sim) >= count; }, timeoutMs);
}

// The text lines the stand-in was asked to show, in order.
inline std::vector<std::string> SimMessages(const StandInProcess& sim)
{
    std::vector<std::string> shown;
    for (const JournalLine& line : sim.Journal())
        if (line.kind == 'W' && line.offset == expect::kMessageText)
            shown.push_back(line.Text());
    return shown;
}

inline bool Shown(const StandInProcess& sim, const std::string& text)
{
    for (const std::string& line : SimMessages(sim))
        if (line == std::string(expect::kPrefix) + text)
            return true;
    return false;
}

// A click on a link that is up and a simulator that answers: the run gets
// through to "Complete".
inline void ExpectRunCompletes(const ProductProcess& app, const StandInProcess& sim)
{
    ASSERT_TRUE(app.ClickStart());
    EXPECT_TRUE(WaitFor([&] { return Shown(sim, expect::kComplete); }, 30000))
        << "the run did not get through to \"Complete\"";
    EXPECT_TRUE(app.WaitUntilHandled(10000));
}

// A click whose run fails at its opening exchange: it ends there without a
// word, neither in a message box nor in the simulator. Returns how long the
// program was busy with it, in milliseconds.
inline long long ExpectSilentFailure(const ProductProcess& app, const StandInProcess& sim,
                                     unsigned timeoutMs)
{
    const std::size_t shownBefore = SimMessages(sim).size();
    const Clock::time_point start = Clock::now();
    EXPECT_TRUE(app.ClickStart());
    EXPECT_TRUE(app.WaitUntilHandled(timeoutMs)) << "the run did not end";
    const long long busy = MsSince(start);
    EXPECT_EQ(app.ShownMessageBox(), nullptr) << "a failed opening exchange is not reported";
    EXPECT_EQ(SimMessages(sim).size(), shownBefore) << "nothing is shown in the simulator";
    return busy;
}

// A click while the link is down: the one message box, and OK closes it.
inline void ExpectNotConnectedBox(const ProductProcess& app)
{
    ASSERT_TRUE(app.ClickStart());
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = app.ShownMessageBox()) != nullptr; }, 10000))
        << "no message box for a click without a link";
    EXPECT_EQ(ProductProcess::MessageBoxText(box), expect::kNotConnected);
    EXPECT_TRUE(app.DismissMessageBox(box, 5000));
}

// After every fault: the window answers, the program ends cleanly when
// closed, its settings are as they were given and its atom is gone (the
// global table outlives the process, so a leaked atom would stay for good).
inline void ExpectUnharmed(ProductProcess& app)
{
    EXPECT_TRUE(app.Responsive(15000)) << "the window no longer answers";
    EXPECT_EQ(app.ShownMessageBox(), nullptr);
    const std::string section = app.SectionName();
    ASSERT_TRUE(app.Close()) << "the program did not end when closed";
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_EQ(::GlobalFindAtomA(section.c_str()), 0) << "atom left behind: " << section;
    EXPECT_EQ(app.Settings(), std::optional<std::string>(kSettings)) << "the settings file changed";
}

// A scenario file in the temp directory for as long as the test needs it.
class ScenarioFile {
  public:
    explicit ScenarioFile(const std::string& text)
    {
        char directory[MAX_PATH] = {};
        const DWORD length = ::GetTempPathA(MAX_PATH, directory);
        char name[64];
        std::snprintf(name, sizeof name, "tollivane-faults-%lu-%lu.scenario",
                      static_cast<unsigned long>(::GetCurrentProcessId()),
                      static_cast<unsigned long>(::GetTickCount()));
        path_ = std::string(directory, length) + name;
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << text;
    }
    ~ScenarioFile() { ::DeleteFileA(path_.c_str()); }
    ScenarioFile(const ScenarioFile&) = delete;
    ScenarioFile& operator=(const ScenarioFile&) = delete;

    std::string Argument() const { return "--scenario \"" + path_ + "\""; }

  private:
    std::string path_;
};

} // namespace wine::faults
