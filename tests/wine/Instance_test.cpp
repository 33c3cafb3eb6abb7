// Tollivane.exe among other processes: one copy per session, and a way out
// that skips the window's own close still leaves nothing behind.
#include "app/MainWindow.h"
#include "wine/FaultChecks.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <optional>
#include <string>

namespace wine::faults {
namespace {

BOOL CALLBACK CountProgramWindow(HWND window, LPARAM count)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (std::wcscmp(name, app::kWindowClass) == 0 && ::IsWindowVisible(window))
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int ProgramWindows()
{
    int count = 0;
    ::EnumWindows(&CountProgramWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Two copies would poll one hotkey and start two runs that interleave.
TEST(Instance, ASecondStartLeavesTheFirstAloneAndEnds)
{
    ProductProcess first(kSettings);
    ASSERT_TRUE(first.Started());

    const Clock::time_point start = Clock::now();
    ProductProcess second(kSettings);
    EXPECT_FALSE(second.Started());
    EXPECT_TRUE(WaitFor([&] { return !second.Running(); }, 10000)) << "the second copy stayed";
    EXPECT_LT(MsSince(start), 10000);
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_EQ(ProgramWindows(), 1);
    ExpectUnharmed(first);
}

// The copy just closed may still be ending when the user starts it again:
// that start is the one copy, not a second one.
TEST(Instance, AStartRightAfterACloseIsTheOneCopy)
{
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ProductProcess first(kSettings);
        ASSERT_TRUE(first.Started());
        ASSERT_TRUE(first.Close());
        ProductProcess next(kSettings);
        ASSERT_TRUE(next.Started());
        ExpectUnharmed(next);
    }
}

// A WM_QUIT from outside ends the message loop without WM_DESTROY: the atom
// must go all the same (the global table outlives us) and the settings be
// written.
TEST(Instance, AQuitFromOutsideReleasesTheAtomAndSaves)
{
    StandInProcess sim("--scenario cold-and-dark");
    ASSERT_TRUE(sim.Started());
    // In the other order than the program writes them, so that a save shows.
    ProductProcess app("SHUTDOWN_HKCS=3\r\nSHUTDOWN_HK=81\r\n");
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(WaitForHandshakes(sim, 1));
    const std::string section = app.SectionName();
    ASSERT_NE(::GlobalFindAtomA(section.c_str()), 0);

    const DWORD thread = ::GetWindowThreadProcessId(app.Window(), nullptr);
    ASSERT_TRUE(::PostThreadMessageW(thread, WM_QUIT, 0, 0));
    ASSERT_TRUE(WaitFor([&] { return !app.Running(); }, 10000)) << "the program did not end";
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_EQ(::GlobalFindAtomA(section.c_str()), 0) << "atom left behind: " << section;
    EXPECT_EQ(app.Settings(), std::optional<std::string>(kSettings));
}

} // namespace
} // namespace wine::faults
