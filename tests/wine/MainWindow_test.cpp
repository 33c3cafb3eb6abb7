// Tollivane.exe as a user meets it: started as a process of its own from a
// directory of its own, looked at from outside with the window functions,
// and driven with real X input through xdotool where a user's input matters.
#include "app/Layout.h"
#include "app/MainWindow.h"
#include "expect/SimVariables.h"
#include "expect/Wire.h"
#include "wine/FaultChecks.h"
#include "wine/ProductProcess.h"
#include "wine/StandInProcess.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using app::ControlId;
using Clock = std::chrono::steady_clock;
using wine::ProductProcess;
using wine::WaitFor;

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// --- The Unix side: xdotool, and the screenshots ----------------------------------

// Wine starts a Unix program from CreateProcess but hands back no handle to
// wait on, so the command reports its end by renaming a file into place.
class UnixShell {
  public:
    UnixShell()
    {
        using UnixName = char*(CDECL*)(LPCWSTR);
        const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        wchar_t temp[MAX_PATH];
        if (!unixName || !::GetTempPathW(MAX_PATH, temp))
            return;
        windowsDir_ = temp;
        if (char* name = unixName(temp)) {
            unixDir_ = name;
            ::HeapFree(::GetProcessHeap(), 0, name);
        }
    }

    // The command's standard output, or nothing when it could not be run or
    // did not end within the time.
    std::optional<std::string> Run(const std::string& command, unsigned timeoutMs = 10000) const
    {
        if (unixDir_.empty())
            return std::nullopt;
        const std::string stem = "tollivane-sh-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(++serial_);
        const std::string out = unixDir_ + stem + ".out";
        const std::string done = unixDir_ + stem + ".done";
        std::wstring line =
            Widen("/bin/sh -c \"{ " + command + "; } >'" + out + "' 2>&1; echo $? >'" + done +
                  ".tmp'; mv '" + done + ".tmp' '" + done + "'\"");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process))
            return std::nullopt;
        if (process.hProcess)
            ::CloseHandle(process.hProcess);
        if (process.hThread)
            ::CloseHandle(process.hThread);
        const std::wstring doneFile = windowsDir_ + Widen(stem + ".done");
        const std::wstring outFile = windowsDir_ + Widen(stem + ".out");
        if (!WaitFor(
                [&] { return ::GetFileAttributesW(doneFile.c_str()) != INVALID_FILE_ATTRIBUTES; },
                timeoutMs))
            return std::nullopt;
        std::ifstream in(std::filesystem::path(outFile), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        in.close();
        ::DeleteFileW(doneFile.c_str());
        ::DeleteFileW(outFile.c_str());
        return text.str();
    }

    bool HasXdotool() const
    {
        const auto found = Run("command -v xdotool && test ${#DISPLAY} -gt 0");
        return found && !found->empty();
    }

  private:
    std::wstring windowsDir_;
    std::string unixDir_;
    mutable int serial_ = 0;
};

// Under Wine a missing xdotool or display is a broken machine, not a reason to
// skip: a green run must have clicked and typed, wherever it ran. Only real
// Windows, which has no Unix side to run xdotool on, skips these tests.
bool UnderWine()
{
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

#define REQUIRE_XDOTOOL(shell)                                                                     \
    do {                                                                                           \
        if (!UnderWine())                                                                          \
            GTEST_SKIP() << "drives X input through xdotool, so runs under Wine only";             \
        if (!(shell).HasXdotool())                                                                 \
            FAIL() << "needs xdotool and an X display; scripts/test.sh installs and starts both";  \
    } while (false)

// --- The program under test, from outside ----------------------------------------

HWND Control(const ProductProcess& program, ControlId id)
{
    return ::GetDlgItem(program.Window(), static_cast<int>(id));
}

HWND Focus(const ProductProcess& program)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(program.Window(), nullptr);
    return ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// Where a control lies in the window's client area.
RECT ClientRectOf(const ProductProcess& program, HWND control)
{
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, program.Window(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The wide message: from another process the 8-bit one yields one character.
std::wstring ListEntry(const ProductProcess& program, int index)
{
    const HWND list = Control(program, ControlId::cboShutdown);
    const LRESULT length = ::SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return L"<error>";
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::wstring Selection(const ProductProcess& program)
{
    const auto index = static_cast<int>(
        ::SendMessageW(Control(program, ControlId::cboShutdown), CB_GETCURSEL, 0, 0));
    return index < 0 ? L"" : ListEntry(program, index);
}

int Checked(const ProductProcess& program, ControlId box)
{
    return static_cast<int>(::SendMessageW(Control(program, box), BM_GETCHECK, 0, 0));
}

// LogPixels is read when a process starts; every test that depends on the
// DPI sets it, so that a test that died at 144 cannot upset the next one.
class ScopedDpi {
  public:
    explicit ScopedDpi(DWORD dpi)
    {
        DWORD size = sizeof previous_;
        hadValue_ = ::RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                                   &previous_, &size) == ERROR_SUCCESS;
        set_ = ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &dpi,
                                 sizeof dpi) == ERROR_SUCCESS;
    }
    ~ScopedDpi()
    {
        if (hadValue_)
            ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &previous_,
                              sizeof previous_);
        else
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels");
    }
    ScopedDpi(const ScopedDpi&) = delete;
    ScopedDpi& operator=(const ScopedDpi&) = delete;
    bool Set() const { return set_; }

  private:
    static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
    DWORD previous_ = 0;
    bool hadValue_ = false;
    bool set_ = false;
};

// --- What the stand-in saw ---------------------------------------------------------

std::vector<std::string> SimMessages(const wine::StandInProcess& sim)
{
    std::vector<std::string> shown;
    for (const wine::JournalLine& line : sim.Journal())
        if (line.kind == 'W' && line.offset == expect::kMessageText)
            shown.push_back(line.Text());
    return shown;
}

// Exchanges that read the peer's version: one per handshake attempt.
int Handshakes(const wine::StandInProcess& sim)
{
    std::set<int> exchanges;
    for (const wine::JournalLine& line : sim.Journal())
        if (line.kind == 'R' && line.offset == expect::wire::kOffsetVersion)
            exchanges.insert(line.exchange);
    return static_cast<int>(exchanges.size());
}

bool Handshaken(const wine::StandInProcess& sim)
{
    return Handshakes(sim) > 0;
}

bool HasShown(const wine::StandInProcess& sim, const std::string& text)
{
    for (const std::string& shown : SimMessages(sim))
        if (shown == text)
            return true;
    return false;
}

// The stand-in opens where the system puts it; a click meant for Tollivane
// must not land on it.
void KeepApart(const ProductProcess& program, const wine::StandInProcess& sim)
{
    RECT ours{}, theirs{}, overlap{};
    ::GetWindowRect(program.Window(), &ours);
    ::GetWindowRect(sim.Window(), &theirs);
    if (!::IntersectRect(&overlap, &ours, &theirs))
        return;
    ::SetWindowPos(sim.Window(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::GetWindowRect(sim.Window(), &theirs);
    if (::IntersectRect(&overlap, &ours, &theirs))
        ::SetWindowPos(program.Window(), nullptr,
                       ::GetSystemMetrics(SM_CXSCREEN) - (ours.right - ours.left), ours.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Keys pressed with xdotool, released again whatever the test does next. The
// modifiers go down before the key and come up after it, each step waited
// for in the desktop's key state: Wine takes the X events in a little at a
// time, and the program polls the keys by level, so letting go of
// CTRL+SHIFT+S in one go can look like CTRL+S held for an instant.
class HeldKeys {
  public:
    HeldKeys(const UnixShell& shell, const std::string& keys) : shell_(shell)
    {
        const std::size_t plus = keys.rfind('+');
        modifiers_ = plus == std::string::npos ? "" : keys.substr(0, plus);
        key_ = keys.substr(plus == std::string::npos ? 0 : plus + 1);
        pressed_ = Step("keydown", modifiers_, true) && Step("keydown", key_, true);
    }
    ~HeldKeys() { Release(); }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;
    bool Pressed() const { return pressed_; }
    void Release()
    {
        if (!pressed_)
            return;
        Step("keyup", key_, false);
        Step("keyup", modifiers_, false);
        pressed_ = false;
    }

  private:
    static int VirtualKey(const std::string& name)
    {
        if (name == "ctrl")
            return VK_CONTROL;
        if (name == "shift")
            return VK_SHIFT;
        return name.size() == 1 ? std::toupper(static_cast<unsigned char>(name[0])) : 0;
    }

    // Sends the keys ("ctrl+shift") and waits until each is down or up.
    bool Step(const std::string& action, const std::string& keys, bool down) const
    {
        if (keys.empty())
            return true;
        if (!shell_.Run("xdotool " + action + " " + keys))
            return false;
        std::size_t from = 0;
        for (;;) {
            const std::size_t plus = keys.find('+', from);
            const int vk = VirtualKey(keys.substr(from, plus - from));
            if (vk == 0 || !WaitFor([&] { return (::GetAsyncKeyState(vk) < 0) == down; }, 5000))
                return false;
            if (plus == std::string::npos)
                return true;
            from = plus + 1;
        }
    }

    const UnixShell& shell_;
    std::string modifiers_, key_;
    bool pressed_ = false;
};

// Gives Tollivane's X window the input focus, as a window manager would on
// a click: Wine passes keys only to a window with the X focus, and without it
// a click activates the window and is lost to the activation. Wine maps the
// X window a little after the Win32 window turns visible, hence the retries.
bool FocusX(const UnixShell& shell, const ProductProcess& program)
{
    std::string id;
    WaitFor(
        [&] {
            const auto found =
                shell.Run("xdotool search --onlyvisible --name '^Tollivane$' | head -n 1");
            id = found ? *found : std::string();
            while (!id.empty() && (id.back() == '\n' || id.back() == '\r'))
                id.pop_back();
            return !id.empty();
        },
        5000);
    if (id.empty() || !shell.Run("xdotool windowfocus --sync " + id))
        return false;
    return WaitFor([&] { return ::GetForegroundWindow() == program.Window(); }, 3000);
}

bool ClickAtCentre(const UnixShell& shell, HWND control)
{
    RECT r{};
    ::GetWindowRect(control, &r);
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    // A pointer that is already there from an earlier test makes no motion,
    // and then the window under it never hears of it: come from elsewhere.
    const POINT away{centre.x, r.bottom + 40};
    auto pointerAt = [](POINT where) {
        POINT now{};
        return ::GetCursorPos(&now) && now.x == where.x && now.y == where.y;
    };
    auto moveTo = [&](POINT where) {
        return shell.Run("xdotool mousemove " + std::to_string(where.x) + " " +
                         std::to_string(where.y)) &&
               WaitFor([&] { return pointerAt(where); }, 2000);
    };
    return moveTo(away) && moveTo(centre) && shell.Run("xdotool click 1").has_value();
}

// --- The tests ---------------------------------------------------------------------------

constexpr const char* kCtrlShiftS = "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n";

void ExpectLayoutAt(const ProductProcess& program, int dpi)
{
    RECT client{};
    ::GetClientRect(program.Window(), &client);
    const app::PixelSize size = app::ClientSize(dpi);
    EXPECT_EQ(client.right, size.width);
    EXPECT_EQ(client.bottom, size.height);

    for (const app::ControlLayout& layout : app::kControls) {
        SCOPED_TRACE(testing::Message()
                     << "control " << static_cast<int>(layout.id) << " at " << dpi);
        const HWND control = Control(program, layout.id);
        ASSERT_NE(control, nullptr);
        const RECT r = ClientRectOf(program, control);
        const app::PixelRect want = app::ControlRect(layout, dpi);
        EXPECT_EQ(r.left, want.left);
        EXPECT_EQ(r.top, want.top);
        EXPECT_EQ(r.right - r.left, want.width);
        // A closed drop-down list is as high as the design says, too.
        EXPECT_EQ(r.bottom - r.top, want.height);
    }
}

TEST(MainWindow, OpensCentredWithEveryControlInPlace)
{
    ScopedDpi dpi(96);
    ASSERT_TRUE(dpi.Set());
    ProductProcess program(std::nullopt);
    ASSERT_TRUE(program.Started());

    wchar_t text[32] = {};
    ::GetWindowTextW(program.Window(), text, 32);
    EXPECT_STREQ(text, L"Tollivane");
    EXPECT_EQ(::GetMenu(program.Window()), nullptr);
    const auto style = static_cast<DWORD>(::GetWindowLongW(program.Window(), GWL_STYLE));
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u) << "the frame does not resize";
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              DWORD(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));

    RECT client{};
    ::GetClientRect(program.Window(), &client);
    EXPECT_EQ(client.right, 271);
    EXPECT_EQ(client.bottom, 128);
    ExpectLayoutAt(program, 96);

    RECT frame{};
    ::GetWindowRect(program.Window(), &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    // The Z-order is the tab order.
    std::vector<int> zOrder;
    for (HWND child = ::GetWindow(program.Window(), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT))
        zOrder.push_back(::GetDlgCtrlID(child));
    std::vector<int> tabOrder;
    for (ControlId id : app::TabOrder())
        tabOrder.push_back(static_cast<int>(id));
    EXPECT_EQ(zOrder, tabOrder);

    ::GetWindowTextW(Control(program, ControlId::cmdShutdown), text, 32);
    EXPECT_STREQ(text, L"&Start Shutdown");
    ::GetWindowTextW(Control(program, ControlId::cmdHelp), text, 32);
    EXPECT_STREQ(text, L"&Help");
    ::GetWindowTextW(Control(program, ControlId::frmFrame), text, 32);
    EXPECT_STREQ(text, L"Shutdown Hotkey");

    // The list: selection only, 37 entries in their fixed order.
    const HWND list = Control(program, ControlId::cboShutdown);
    EXPECT_EQ(::GetWindowLongW(list, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 37);
    std::wstring entries;
    for (int i = 0; i < 37; ++i)
        entries += ListEntry(program, i) + L" ";
    EXPECT_EQ(entries,
              L"None 0 1 2 3 4 5 6 7 8 9 A B C D E F G H I J K L M N O P Q R S T U V W X Y Z ");
}

TEST(MainWindow, ScalesTheWholeLayoutAt144Dpi)
{
    ScopedDpi dpi(144);
    ASSERT_TRUE(dpi.Set());
    ProductProcess program(kCtrlShiftS);
    ASSERT_TRUE(program.Started());

    RECT client{};
    ::GetClientRect(program.Window(), &client);
    EXPECT_EQ(client.right, 407);
    EXPECT_EQ(client.bottom, 192);
    ExpectLayoutAt(program, 144);
}

TEST(MainWindow, RestoresTheHotkeyControlsAndWritesBackWhatItRead)
{
    struct Case {
        std::optional<std::string> file;
        const wchar_t* selection;
        int ctrl, shift;
        const char* writtenBack;
    };
    const Case cases[] = {
        {std::nullopt, L"None", 0, 0, ""},
        {kCtrlShiftS, L"S", 1, 1, kCtrlShiftS},
        // A modifier without a key: shown, but nothing to store.
        {"SHUTDOWN_HK=0\r\nSHUTDOWN_HKCS=1\r\n", L"None", 1, 0, ""},
        // An odd modifier code ticks nothing and stays as it was.
        {"SHUTDOWN_HK=65\r\nSHUTDOWN_HKCS=7\r\n", L"A", 0, 0,
         "SHUTDOWN_HK=65\r\nSHUTDOWN_HKCS=7\r\n"},
        // F1 has no entry: "None" is shown and the key is dropped.
        {"SHUTDOWN_HK=112\r\nSHUTDOWN_HKCS=2\r\n", L"None", 0, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.value_or("(no file)"));
        ProductProcess program(c.file);
        ASSERT_TRUE(program.Started());
        EXPECT_EQ(Selection(program), c.selection);
        EXPECT_EQ(Checked(program, ControlId::chkShutdownCTRL), c.ctrl);
        EXPECT_EQ(Checked(program, ControlId::chkShutdownSHIFT), c.shift);
        ASSERT_TRUE(program.Close());
        EXPECT_EQ(program.Settings(), std::optional<std::string>(c.writtenBack));
    }
}

TEST(MainWindow, AChangeInTheControlsBecomesTheCodesWrittenAtClose)
{
    ProductProcess program("SHUTDOWN_HK=65\r\nSHUTDOWN_HKCS=7\r\n");
    ASSERT_TRUE(program.Started());
    // The first change replaces the odd code 7 with what the boxes show.
    const HWND list = Control(program, ControlId::cboShutdown);
    ::SendMessageW(list, CB_SETCURSEL, 11 + ('K' - 'A'), 0);
    ::SendMessageW(program.Window(), WM_COMMAND,
                   MAKEWPARAM(static_cast<int>(ControlId::cboShutdown), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list));
    ::SendMessageW(Control(program, ControlId::chkShutdownSHIFT), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.Close());
    EXPECT_EQ(program.Settings(),
              std::optional<std::string>("SHUTDOWN_HK=75\r\nSHUTDOWN_HKCS=2\r\n"));
}

TEST(MainWindow, TriesTheLinkAtTheFirstTickAndReleasesItAtClose)
{
    wine::StandInProcess sim("--scenario cold-and-dark");
    ASSERT_TRUE(sim.Started());
    ProductProcess program(std::nullopt);
    const Clock::time_point shown = Clock::now();
    ASSERT_TRUE(program.Started());

    ASSERT_TRUE(WaitFor([&] { return Handshaken(sim); }, 5000));
    // The first tick comes 1 s after the load; the window is found some time
    // after the timer starts, a few hundred milliseconds on a busy machine.
    // An attempt made during the load would show at once.
    const long long firstAttempt = MsSince(shown);
    EXPECT_GE(firstAttempt, 500) << "an attempt during the load";
    EXPECT_LE(firstAttempt, 2500);

    const std::string section = program.SectionName();
    EXPECT_NE(::GlobalFindAtomA(section.c_str()), 0) << section;

    const std::size_t journalled = sim.Journal().size();
    ASSERT_TRUE(program.Close());
    EXPECT_EQ(::GlobalFindAtomA(section.c_str()), 0) << "atom left behind: " << section;
    EXPECT_EQ(program.Settings(), std::optional<std::string>(""));
    EXPECT_EQ(sim.Journal().size(), journalled) << "closing sends nothing to the simulator";
}

TEST(MainWindow, AMouseClickOnStartShutdownRunsTheShutdown)
{
    UnixShell shell;
    REQUIRE_XDOTOOL(shell);
    wine::StandInProcess sim("--scenario cold-and-dark");
    ASSERT_TRUE(sim.Started());
    ProductProcess program(std::nullopt);
    ASSERT_TRUE(program.Started());
    KeepApart(program, sim);
    ASSERT_TRUE(WaitFor([&] { return Handshaken(sim); }, 5000));
    ASSERT_TRUE(FocusX(shell, program));

    ASSERT_TRUE(ClickAtCentre(shell, Control(program, ControlId::cmdShutdown)));
    ASSERT_TRUE(WaitFor([&] { return HasShown(sim, "Shutdown:  Complete"); }, 15000));
    EXPECT_EQ(SimMessages(sim),
              (std::vector<std::string>{"Shutdown:  Battery Master Off", "Shutdown:  Complete"}));
    EXPECT_TRUE(program.Responsive(5000));
}

TEST(MainWindow, AHotkeyHeldAcrossATickRunsTheShutdownButNotWithAnExtraModifier)
{
    UnixShell shell;
    REQUIRE_XDOTOOL(shell);
    // Two simulators. The one under the primary class fails the handshake,
    // so the link stays down and every tick tries it again, which shows in
    // its journal: the ticks can be counted, and a hotkey hit meanwhile would
    // show the not-connected box. The healthy one, under the fallback class,
    // is found once the first has gone. Both start before the focus is set,
    // since a window that opens later may take it.
    std::optional<wine::StandInProcess> failing;
    failing.emplace("--scenario cold-and-dark --fault version-low");
    ASSERT_TRUE(failing->Started());
    wine::StandInProcess sim("--scenario cold-and-dark --class FS98MAIN");
    ASSERT_TRUE(sim.Started());
    ProductProcess program("SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=1\r\n"); // CTRL+S
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(WaitFor([&] { return Handshaken(*failing); }, 5000));
    // The key state is seen only while a Wine window has the X focus.
    ASSERT_TRUE(FocusX(shell, program));
    {
        HeldKeys keys(shell, "ctrl+shift+s");
        ASSERT_TRUE(keys.Pressed());
        // Two more attempts: the poll of the tick between them ran with the
        // keys held from start to end.
        const int before = Handshakes(*failing);
        const bool ticked = WaitFor([&] { return Handshakes(*failing) >= before + 2; }, 10000);
        ASSERT_EQ(program.ShownMessageBox(), nullptr) << "CTRL+SHIFT+S taken for CTRL+S";
        ASSERT_TRUE(ticked) << "the ticks stopped";
    }
    EXPECT_FALSE(Handshaken(sim)) << "the fallback class was tried while the primary existed";
    failing.reset();

    ASSERT_TRUE(WaitFor([&] { return Handshaken(sim); }, 5000));
    {
        HeldKeys keys(shell, "ctrl+s");
        ASSERT_TRUE(keys.Pressed());
        // Let go as soon as the run is under way, or the next tick starts another.
        EXPECT_TRUE(WaitFor([&] { return !SimMessages(sim).empty(); }, 3000));
    }
    ASSERT_TRUE(WaitFor([&] { return HasShown(sim, "Shutdown:  Complete"); }, 15000));
    EXPECT_EQ(SimMessages(sim).front(), "Shutdown:  Battery Master Off");
}

TEST(MainWindow, TabFollowsTheTabOrderAndSpaceOrAltSWithoutASimulatorShowTheMessage)
{
    UnixShell shell;
    REQUIRE_XDOTOOL(shell);
    ASSERT_EQ(::FindWindowA("UIPCMAIN", nullptr), nullptr) << "a simulator is running";
    ASSERT_EQ(::FindWindowA("FS98MAIN", nullptr), nullptr) << "a simulator is running";
    ProductProcess program(std::nullopt);
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(FocusX(shell, program));
    // The keyboard starts at "&Start Shutdown".
    EXPECT_TRUE(
        WaitFor([&] { return Focus(program) == Control(program, ControlId::cmdShutdown); }, 2000));

    const ControlId cycle[] = {ControlId::cmdHelp, ControlId::cboShutdown,
                               ControlId::chkShutdownCTRL, ControlId::chkShutdownSHIFT,
                               ControlId::cmdShutdown};
    for (ControlId next : cycle) {
        ASSERT_TRUE(shell.Run("xdotool key Tab"));
        EXPECT_TRUE(WaitFor([&] { return Focus(program) == Control(program, next); }, 2000))
            << "TAB should reach control " << static_cast<int>(next);
    }

    // Back on "&Start Shutdown": SPACE presses it, and so does ALT+S from
    // anywhere in the window. With no simulator the run stops at the message box.
    for (const char* keys : {"space", "Tab alt+s"}) {
        SCOPED_TRACE(keys);
        ASSERT_TRUE(shell.Run(std::string("xdotool key ") + keys));
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = program.ShownMessageBox()) != nullptr; }, 5000));
        EXPECT_EQ(ProductProcess::MessageBoxText(box),
                  "Connection to FS2002 via FSUIPC not detected.");
        EXPECT_TRUE(program.DismissMessageBox(box, 5000));
        EXPECT_TRUE(program.Responsive(5000));
    }
    EXPECT_TRUE(program.Running());
}

// Times, all the while a wait lasts, how long the window takes to answer a
// WM_NULL sent to it every 50 ms: Windows takes a window that has taken no
// message for 5 s for hung. Wine's own IsHungAppWindow counts a thread held
// in a send as alive, so it cannot tell.
struct AnswerWatch {
    HWND window;
    long long slowestMs = 0;

    bool Until(const std::function<bool()>& over, unsigned timeoutMs)
    {
        const Clock::time_point start = Clock::now();
        for (;;) {
            // Timed whether or not the answer came: a send that times out
            // took the whole 10 s, and one to a window already gone fails
            // at once.
            const Clock::time_point sent = Clock::now();
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
            slowestMs = std::max(slowestMs, MsSince(sent));
            if (over())
                return true;
            if (MsSince(start) >= timeoutMs)
                return false;
            ::Sleep(50);
        }
    }

    // Watches for this long, whatever happens.
    void For(unsigned ms)
    {
        Until([] { return false; }, ms);
    }
};

// The records of the exchanges, without their numbers and times: what a run
// wrote and read, whatever the simulator's pace.
std::vector<std::string> Records(const wine::StandInProcess& sim, int after = 0)
{
    std::vector<std::string> records;
    for (const wine::JournalLine& line : sim.Journal())
        if (line.exchange > after)
            records.push_back(std::string(1, line.kind) + " " + std::to_string(line.offset) + "/" +
                              std::to_string(line.size) + " " + line.value);
    return records;
}

// The exchange number the run's first records carry: the one after the
// handshake's last.
int HandshakeEnd(const wine::StandInProcess& sim)
{
    int last = 0;
    for (const wine::JournalLine& line : sim.Journal())
        if (line.kind == 'R' && line.offset == expect::wire::kOffsetVersion)
            last = line.exchange;
    return last;
}

// The gaps of at least half a second between the exchanges after `after`:
// the run's pauses, in milliseconds.
std::vector<long long> Pauses(const wine::StandInProcess& sim, int after)
{
    std::vector<long long> pauses;
    int exchange = after;
    long long at = -1;
    for (const wine::JournalLine& line : sim.Journal()) {
        if (line.exchange <= exchange)
            continue;
        exchange = line.exchange;
        if (at >= 0 && line.micros - at >= 500000)
            pauses.push_back((line.micros - at) / 1000);
        at = line.micros;
    }
    return pauses;
}

// Parked with the flaps down and three more items on: a run of about 10 s.
const char* const kFourItemsOn = "base cold-and-dark\n"
                                 "0x0BDC 4 16383  # flaps\n"
                                 "0x029C 1 1      # pitot heat\n"
                                 "0x3103 1 1      # avionics\n"
                                 "0x0D0C 2 1      # lights\n";

// The journal's records of the exchanges up to `last`, without their times.
std::vector<std::string> JournalUpTo(const wine::StandInProcess& sim, int last)
{
    std::vector<std::string> records;
    for (const wine::JournalLine& line : sim.Journal())
        if (line.exchange <= last)
            records.push_back(std::to_string(line.exchange) + " " + line.kind + " " +
                              std::to_string(line.offset) + "/" + std::to_string(line.size) + " " +
                              line.value);
    return records;
}

// During a run the window stays alive to the system, through the pauses. The
// user's clicks there do nothing, then or afterwards, and a close waits for
// the run to end while the simulator answers.
TEST(MainWindow, ARunKeepsTheWindowAliveDropsClicksAndKeepsTheClose)
{
    UnixShell shell;
    REQUIRE_XDOTOOL(shell);
    // 6 s of pauses after "Flaps Up" and 1 s after each of the rest, the
    // battery's too.
    const wine::faults::ScenarioFile scenario(kFourItemsOn);
    wine::StandInProcess sim(scenario.Argument());
    ASSERT_TRUE(sim.Started());
    ProductProcess program(kCtrlShiftS);
    ASSERT_TRUE(program.Started());
    KeepApart(program, sim);
    ASSERT_TRUE(WaitFor([&] { return Handshaken(sim); }, 5000));
    ASSERT_TRUE(FocusX(shell, program));

    const HWND start = Control(program, ControlId::cmdShutdown);
    ASSERT_TRUE(ClickAtCentre(shell, start));
    AnswerWatch watch{program.Window()};
    ASSERT_TRUE(watch.Until([&] { return HasShown(sim, "Shutdown:  Flaps Up"); }, 10000));
    // While the flaps come up: a second click on the button, and one on a
    // hotkey box; taken, and dropped, before the next item.
    ASSERT_TRUE(ClickAtCentre(shell, start));
    ASSERT_TRUE(ClickAtCentre(shell, Control(program, ControlId::chkShutdownCTRL)));
    ASSERT_TRUE(watch.Until([&] { return HasShown(sim, "Shutdown:  Pitot Heat Off"); }, 15000));
    EXPECT_EQ(Checked(program, ControlId::chkShutdownCTRL), 1) << "a click went through";

    // Closed now, the window goes once the run is over, not before.
    ASSERT_TRUE(::PostMessageW(program.Window(), WM_CLOSE, 0, 0));
    ASSERT_TRUE(watch.Until([&] { return !program.Running(); }, 60000)) << "the close was lost";
    EXPECT_LT(watch.slowestMs, 1000) << "the window stopped taking messages during the run";
    EXPECT_EQ(SimMessages(sim).size(), 6u);
    EXPECT_TRUE(HasShown(sim, "Shutdown:  Complete")) << "closed before the run was over";
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(program.Settings(), std::optional<std::string>(kCtrlShiftS));
}

// Once the simulator has stopped answering, a close is not held for the run:
// the run ends at its next wait, and the window saves and closes. A close
// held since earlier in the run goes the same way.
TEST(MainWindow, ACloseEndsARunWhoseSimulatorIsGone)
{
    // Three engines, running: the window goes at exchange 20, mid-checklist.
    constexpr int kBreak = 20;
    const wine::faults::ScenarioFile scenario("base running-single\n0x0AEC 2 3\n");
    std::vector<std::string> expected;
    {
        wine::StandInProcess whole(scenario.Argument());
        ASSERT_TRUE(whole.Started());
        ProductProcess program(kCtrlShiftS);
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(WaitFor([&] { return Handshaken(whole); }, 5000));
        ASSERT_TRUE(program.ClickStart());
        ASSERT_TRUE(WaitFor(
            [&] {
                return JournalUpTo(whole, kBreak + 1).size() > JournalUpTo(whole, kBreak).size();
            },
            60000));
        expected = JournalUpTo(whole, kBreak);
    }

    for (const bool heldSinceEarlier : {false, true}) {
        SCOPED_TRACE(heldSinceEarlier ? "a close held since earlier" : "a close after the break");
        wine::StandInProcess sim(scenario.Argument() +
                                 " --fault destroy-after:" + std::to_string(kBreak));
        ASSERT_TRUE(sim.Started());
        const HWND simWindow = sim.Window();
        ProductProcess program(kCtrlShiftS);
        ASSERT_TRUE(program.Started());
        const std::string section = program.SectionName();
        ASSERT_TRUE(WaitFor([&] { return Handshaken(sim); }, 5000));

        ASSERT_TRUE(program.ClickStart());
        AnswerWatch watch{program.Window()};
        // A click made while the link still opens starts the run once it is
        // open; the close is to find the run under way.
        ASSERT_TRUE(WaitFor([&] { return program.RunUnderWay(); }, 5000));
        if (heldSinceEarlier) {
            ASSERT_TRUE(::PostMessageW(program.Window(), WM_CLOSE, 0, 0));
        }
        ASSERT_TRUE(watch.Until([&] { return !::IsWindow(simWindow); }, 30000));
        watch.For(1000);
        const Clock::time_point closed = Clock::now();
        if (!heldSinceEarlier) {
            ASSERT_TRUE(::PostMessageW(program.Window(), WM_CLOSE, 0, 0));
        }
        ASSERT_TRUE(watch.Until([&] { return !program.Running(); }, 60000)) << "the close was lost";
        EXPECT_LT(MsSince(closed), 6000) << "the close waited for the rest of the run";
        EXPECT_LT(watch.slowestMs, 1000) << "the window stopped taking messages while sends failed";
        EXPECT_EQ(JournalUpTo(sim, kBreak), expected);
        EXPECT_EQ(program.ExitCode(), 0);
        EXPECT_EQ(program.Settings(), std::optional<std::string>(kCtrlShiftS));
        EXPECT_EQ(::GlobalFindAtomA(section.c_str()), 0) << "atom left behind: " << section;
    }
}

// A simulator that holds every message past the link's patience, as one
// loading a flight does: the program keeps trying to open the link with its
// window alive and its button greyed, and a close ends it within seconds.
TEST(MainWindow, AnOpenToASimulatorThatDoesNotAnswerKeepsTheWindowAlive)
{
    wine::StandInProcess sim("--scenario cold-and-dark --fault never-answer");
    ASSERT_TRUE(sim.Started());
    ProductProcess program(kCtrlShiftS);
    ASSERT_TRUE(program.Started());
    const std::string section = program.SectionName();

    AnswerWatch watch{program.Window()};
    ASSERT_TRUE(watch.Until([&] { return program.RunUnderWay(); }, 10000))
        << "the button was not greyed while the open waited";
    // Past the 5 s after which the system takes a silent window for hung.
    watch.For(8000);
    EXPECT_TRUE(program.RunUnderWay());
    const Clock::time_point closed = Clock::now();
    ASSERT_TRUE(::PostMessageW(program.Window(), WM_CLOSE, 0, 0));
    ASSERT_TRUE(watch.Until([&] { return !program.Running(); }, 30000)) << "the close was lost";
    EXPECT_LT(MsSince(closed), 6000) << "the close waited for the open";
    EXPECT_LT(watch.slowestMs, 1000) << "the window stopped taking messages while the link opened";
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(program.Settings(), std::optional<std::string>(kCtrlShiftS));
    EXPECT_EQ(::GlobalFindAtomA(section.c_str()), 0) << "atom left behind: " << section;
}

// A stand-in and the program beside it, the link open and a run started by
// a click.
struct RunUnderWay {
    wine::StandInProcess sim;
    ProductProcess program{kCtrlShiftS};
    bool started = false;

    explicit RunUnderWay(const std::string& simArguments) : sim(simArguments)
    {
        started = sim.Started() && program.Started() &&
                  WaitFor([&] { return Handshaken(sim); }, 5000) && program.ClickStart();
    }
    bool Complete() const { return HasShown(sim, "Shutdown:  Complete"); }
};

// What a run records against a stand-in at full speed, without anything
// done meanwhile: its reads and writes, and its pauses.
struct Reference {
    std::vector<std::string> records;
    std::vector<long long> pauses;
};

Reference ReferenceRun(const std::string& simArguments)
{
    RunUnderWay run(simArguments);
    EXPECT_TRUE(run.started);
    EXPECT_TRUE(WaitFor([&] { return run.Complete(); }, 30000)) << "the reference run";
    return {Records(run.sim, HandshakeEnd(run.sim)), Pauses(run.sim, HandshakeEnd(run.sim))};
}

// A simulator that answers every message 300 ms late, as FS2002 does at a few
// frames a second: the window answers within a second all through a run of
// reads one after another, and the run's records are those of a simulator
// at full speed.
TEST(MainWindow, TheWindowAnswersThroughoutARunAgainstASlowSimulator)
{
    const Reference expected = ReferenceRun("--scenario cold-and-dark");
    RunUnderWay run("--scenario cold-and-dark --fault delay:300");
    ASSERT_TRUE(run.started);
    AnswerWatch watch{run.program.Window()};
    ASSERT_TRUE(watch.Until([&] { return run.Complete(); }, 60000));
    EXPECT_LT(watch.slowestMs, 1000) << "the window stopped taking messages during the run";
    EXPECT_EQ(Records(run.sim, HandshakeEnd(run.sim)), expected.records);
}

// The window's system menu, opened 3 s into a run and closed 5 s later: the
// menu's own message loop runs on the window's thread, and the run goes on
// underneath, its records and its pauses as without the menu.
TEST(MainWindow, TheSystemMenuNeitherStopsNorStretchesARun)
{
    const wine::faults::ScenarioFile scenario(kFourItemsOn);
    const Reference expected = ReferenceRun(scenario.Argument());
    RunUnderWay run(scenario.Argument());
    ASSERT_TRUE(run.started);
    const HWND window = run.program.Window();
    AnswerWatch watch{window};
    watch.For(3000);
    ASSERT_TRUE(::PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, ' '));
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    const auto inMenu = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return ::GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMENUMODE) != 0;
    };
    ASSERT_TRUE(WaitFor(inMenu, 2000)) << "the system menu did not open";
    watch.For(5000);
    EXPECT_TRUE(inMenu()) << "the system menu closed by itself";
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutW(window, WM_CANCELMODE, 0, 0, SMTO_NORMAL, 5000, &answer);
    ASSERT_TRUE(WaitFor([&] { return !inMenu(); }, 2000)) << "the system menu stayed open";

    ASSERT_TRUE(watch.Until([&] { return run.Complete(); }, 30000)) << "the run did not go on";
    EXPECT_LT(watch.slowestMs, 1000);
    EXPECT_EQ(Records(run.sim, HandshakeEnd(run.sim)), expected.records);
    const std::vector<long long> pauses = Pauses(run.sim, HandshakeEnd(run.sim));
    ASSERT_EQ(pauses.size(), expected.pauses.size());
    for (std::size_t i = 0; i < pauses.size(); ++i)
        EXPECT_NEAR(static_cast<double>(pauses[i]), static_cast<double>(expected.pauses[i]), 300)
            << "pause " << i;
}

// The simulator stalls once early in the run, past the link's 2 s, then
// answers at once again. A close 8 s in is held as for any run that the
// simulator answers: "Complete" comes first, then the window goes.
TEST(MainWindow, AStallTheSimulatorGotOverDoesNotLetACloseCutTheRun)
{
    const wine::faults::ScenarioFile scenario(kFourItemsOn);
    // Exchange 1 is the handshake; the run's third exchange is the fourth.
    RunUnderWay run(scenario.Argument() + " --fault stall:4");
    ASSERT_TRUE(run.started);
    AnswerWatch watch{run.program.Window()};
    watch.For(8000);
    ASSERT_FALSE(run.Complete()) << "the run was over before the close";
    const Clock::time_point closed = Clock::now();
    ASSERT_TRUE(::PostMessageW(run.program.Window(), WM_CLOSE, 0, 0));
    ASSERT_TRUE(watch.Until([&] { return !run.program.Running(); }, 30000)) << "the close was lost";
    EXPECT_LT(MsSince(closed), 8000);
    EXPECT_TRUE(run.Complete()) << "the close cut the run";
    EXPECT_EQ(SimMessages(run.sim).size(), 6u);
    EXPECT_LT(watch.slowestMs, 1000);
    EXPECT_EQ(run.program.ExitCode(), 0);
    EXPECT_EQ(run.program.Settings(), std::optional<std::string>(kCtrlShiftS));
}

// An installer's Restart Manager asks a program to close with a session end
// that leaves the session going on: the window goes as on a close, with the
// settings saved and the atom released.
TEST(MainWindow, AnInstallersRequestToCloseEndsTheProgram)
{
    constexpr LPARAM kCloseApp = 0x1; // ENDSESSION_CLOSEAPP
    wine::StandInProcess sim("--scenario cold-and-dark");
    ASSERT_TRUE(sim.Started());
    ProductProcess program(kCtrlShiftS);
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(WaitFor([&] { return Handshaken(sim); }, 5000));
    const std::string section = program.SectionName();
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(program.Window(), WM_QUERYENDSESSION, 0, kCloseApp,
                                      SMTO_NORMAL, 5000, &answer));
    EXPECT_NE(answer, 0u) << "the program refused to close";
    ::SendMessageTimeoutW(program.Window(), WM_ENDSESSION, TRUE, kCloseApp, SMTO_NORMAL, 5000,
                          &answer);
    ASSERT_TRUE(WaitFor([&] { return !program.Running(); }, 10000)) << "the program stayed";
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(program.Settings(), std::optional<std::string>(kCtrlShiftS));
    EXPECT_EQ(::GlobalFindAtomA(section.c_str()), 0) << "atom left behind: " << section;
}

TEST(MainWindow, HelpLeavesTheWindowUsable)
{
    ProductProcess program(std::nullopt);
    ASSERT_TRUE(program.Started());
    ::PostMessageW(Control(program, ControlId::cmdHelp), BM_CLICK, 0, 0);
    EXPECT_TRUE(program.WaitUntilHandled(5000));
    EXPECT_TRUE(program.Responsive(5000));
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(program.ShownMessageBox(), nullptr) << "the program reports nothing itself";
}

} // namespace
