// Tollivane.exe among other processes: one copy per session, and a way out
// that skips the window's own close still leaves nothing behind.
#include "app/MainWindow.h"
#include "wine/FaultChecks.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
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

// A copy run as administrator holds the name where a normal one may not open
// it: the normal one must end, not run beside it.
TEST(Instance, AStartThatMayNotOpenTheNameEnds)
{
    SECURITY_DESCRIPTOR nobody{};
    ACL empty{};
    ASSERT_TRUE(::InitializeSecurityDescriptor(&nobody, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(::InitializeAcl(&empty, sizeof empty, ACL_REVISION));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&nobody, TRUE, &empty, FALSE));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &nobody, FALSE};
    const HANDLE held = ::CreateMutexW(&attributes, TRUE, L"Local\\TollivaneMain.Instance");
    ASSERT_NE(held, nullptr);
    {
        ProductProcess second(kSettings);
        EXPECT_FALSE(second.Started());
        EXPECT_TRUE(WaitFor([&] { return !second.Running(); }, 10000)) << "the second copy stayed";
        EXPECT_EQ(second.ExitCode(), 0);
    }
    ::CloseHandle(held);
}

// A copy closed with a folder in its temporary file's place: its save fails,
// and it stays closing, its warning box up, until the box is answered.
struct ClosingWithWarning {
    explicit ClosingWithWarning(const ProductProcess& copy)
        : blocker(copy.Directory() + "\\Tollivane.ini.tmp")
    {
        if (::CreateDirectoryA(blocker.c_str(), nullptr) &&
            ::PostMessageW(copy.Window(), WM_CLOSE, 0, 0))
            WaitFor([&] { return (box = copy.ShownMessageBox()) != nullptr; }, 10000);
    }
    ~ClosingWithWarning() { ::RemoveDirectoryA(blocker.c_str()); }
    ClosingWithWarning(const ClosingWithWarning&) = delete;
    ClosingWithWarning& operator=(const ClosingWithWarning&) = delete;

    std::string blocker;
    HWND box = nullptr;
};

// The copy just closed may still be saving, its warning box open, for longer
// than a copy is given to end: a start then waits for it, and runs after it.
TEST(Instance, AStartWhileTheClosedCopyStillSavesRunsAfterIt)
{
    ProductProcess first(kSettings);
    ASSERT_TRUE(first.Started());
    const ClosingWithWarning closing(first);
    const HWND box = closing.box;
    ASSERT_NE(box, nullptr);

    // Started on a Win32 thread: the runtime of the Windows builds has no std::thread.
    struct Start {
        std::optional<ProductProcess> next;
        std::atomic<bool> returned{false};
        static DWORD WINAPI Run(void* self)
        {
            auto& start = *static_cast<Start*>(self);
            start.next.emplace(kSettings);
            start.returned = true;
            return 0;
        }
    } start;
    const HANDLE thread = ::CreateThread(nullptr, 0, &Start::Run, &start, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // Turned away, the start would end within about half a second.
    EXPECT_FALSE(WaitFor([&] { return start.returned.load(); }, 2000))
        << "the start was turned away";
    EXPECT_TRUE(first.DismissMessageBox(box, 5000));
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    ASSERT_TRUE(start.next->Started());
    ExpectUnharmed(*start.next);
}

// A closing copy whose warning is left unanswered, behind the simulator say,
// must not keep a start waiting unseen for good: after its bounded wait the
// start ends, and the warning is there to answer.
TEST(Instance, AStartGivesUpOnAClosingCopyWhoseWarningIsLeftOpen)
{
    ProductProcess first(kSettings);
    ASSERT_TRUE(first.Started());
    const ClosingWithWarning closing(first);
    const HWND box = closing.box;
    ASSERT_NE(box, nullptr);

    const Clock::time_point started = Clock::now();
    {
        ProductProcess next(kSettings);
        EXPECT_FALSE(next.Started());
        EXPECT_TRUE(WaitFor([&] { return !next.Running(); }, 30000)) << "the start waited on";
    }
    const long long waited = MsSince(started);
    EXPECT_GE(waited, 9000) << "the start did not wait for the closing copy";
    EXPECT_LT(waited, 20000);
    EXPECT_TRUE(::IsWindow(box));
    EXPECT_TRUE(first.DismissMessageBox(box, 5000));
    EXPECT_TRUE(WaitFor([&] { return !first.Running(); }, 10000));
}

// A second start while the first copy runs, holding the user's close for the
// run's end, its window minimised and hidden: the start shows that window at
// once, without waiting for the run, and ends. The user's last word was to
// start the program, so the held close no longer stands: the run goes on to
// its end, and the first copy stays.
TEST(Instance, ASecondStartCancelsTheCloseThatTheFirstCopysRunHolds)
{
    StandInProcess sim("--scenario running-single");
    ASSERT_TRUE(sim.Started());
    ProductProcess first(kSettings);
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(WaitForHandshakes(sim, 1));
    ASSERT_TRUE(first.ClickStart());
    ASSERT_TRUE(WaitFor([&] { return !SimMessages(sim).empty(); }, 10000)) << "no run started";
    ::ShowWindow(first.Window(), SW_MINIMIZE);
    ::ShowWindow(first.Window(), SW_HIDE);
    ASSERT_TRUE(WaitFor(
        [&] { return ::IsIconic(first.Window()) && !::IsWindowVisible(first.Window()); }, 5000));
    ASSERT_TRUE(::PostMessageW(first.Window(), WM_CLOSE, 0, 0));

    const Clock::time_point started = Clock::now();
    ProductProcess second(kSettings);
    EXPECT_FALSE(second.Started());
    EXPECT_TRUE(WaitFor([&] { return !second.Running(); }, 10000)) << "the second copy stayed";
    EXPECT_LT(MsSince(started), 4000) << "the second start waited";
    EXPECT_FALSE(Shown(sim, expect::kComplete)) << "the second start waited for the run";
    EXPECT_TRUE(WaitFor(
        [&] { return ::IsWindowVisible(first.Window()) && !::IsIconic(first.Window()); }, 5000))
        << "the first copy was not shown";

    EXPECT_TRUE(first.WaitUntilHandled(60000)) << "the run did not end";
    EXPECT_TRUE(Shown(sim, expect::kComplete));
    EXPECT_TRUE(first.Responsive(5000));
    EXPECT_TRUE(first.Running()) << "the close went ahead after the start";
    EXPECT_TRUE(first.Close());
    EXPECT_EQ(first.ExitCode(), 0);
    EXPECT_EQ(first.Settings(), std::optional<std::string>(kSettings));
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
