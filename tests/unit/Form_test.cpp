#include "app/Form.h"
#include "expect/SimVariables.h"
#include "fake/FakeOs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const std::string kIni = "C:\\Sim Tools\\Tollivane.ini";
const std::string kNotConnected = "Connection to FS2002 via FSUIPC not detected.";

// The fake OS, with the opening of the settings file written into the rig's
// log.
class TestOs : public fake::FakeOs {
  public:
    Lines* log = nullptr;

    os::Handle CreateFileW(const std::string& path, std::uint32_t access, std::uint32_t share,
                           std::uint32_t disposition) override
    {
        log->push_back("read " + path);
        return FakeOs::CreateFileW(path, access, share, disposition);
    }
};

// The window's controls and timer as plain state. With `raiseEvents`, every
// change the form makes raises the control's change event, as some
// environments do.
class FakeView : public app::FormView {
  public:
    Lines* log = nullptr;
    app::Form* form = nullptr;
    bool raiseEvents = false;
    std::vector<std::string> entries;
    int selected = -1;
    app::CheckState checks[2] = {app::CheckState::Unchecked, app::CheckState::Unchecked};
    bool timer = false;

    void AddListEntry(const std::string& text) override
    {
        log->push_back("add " + text);
        entries.push_back(text);
    }
    void SelectListEntry(int index) override
    {
        log->push_back("select " + entries.at(static_cast<std::size_t>(index)));
        selected = index;
        if (raiseEvents)
            form->cboShutdown_Click();
    }
    std::string SelectedListText() override
    {
        return selected < 0 ? "" : entries.at(static_cast<std::size_t>(selected));
    }
    void SetCheck(app::CheckBox box, app::CheckState state) override
    {
        const bool ctrl = box == app::CheckBox::CTRL;
        log->push_back(std::string("check ") + (ctrl ? "CTRL " : "SHIFT ") +
                       std::to_string(static_cast<int>(state)));
        checks[ctrl ? 0 : 1] = state;
        if (raiseEvents && ctrl)
            form->chkShutdownCTRL_Click();
        if (raiseEvents && !ctrl)
            form->chkShutdownSHIFT_Click();
    }
    app::CheckState GetCheck(app::CheckBox box) override
    {
        return checks[box == app::CheckBox::CTRL ? 0 : 1];
    }
    void EnableTimer() override
    {
        log->push_back("timer on");
        timer = true;
    }
    void DisableTimer() override { timer = false; }
    bool TimerEnabled() override { return timer; }
    os::Window Owner() override { return this; }

    // What reaches the window in the waits on the simulator, delivered at
    // the first look.
    std::function<void()> duringWait;
    // Greyed, as the window greys its button: only the first call shows.
    bool busy = false;
    void BusyStarted() override
    {
        if (!std::exchange(busy, true))
            log->push_back("busy");
    }
    void BusyOver() override
    {
        busy = false;
        log->push_back("not busy");
    }
    void TakeMessages() override
    {
        if (const std::function<void()> deliver = std::exchange(duringWait, nullptr))
            deliver();
    }
    void Closing() override { log->push_back("closing"); }
    void PostClose() override { log->push_back("close posted"); }
};

struct Rig {
    Lines log;
    TestOs os;
    FakeView view;
    app::Form form{os, view};

    explicit Rig(const std::string* settings = nullptr)
    {
        os.log = &log;
        view.log = &log;
        view.form = &form;
        if (settings)
            os.files[kIni] = *settings;
    }

    // The user picks an entry of the list, as a click does.
    void Choose(const std::string& entry)
    {
        for (std::size_t i = 0; i < view.entries.size(); ++i)
            if (view.entries[i] == entry)
                view.selected = static_cast<int>(i);
        form.cboShutdown_Click();
    }

    int Boxes(const std::string& text) const
    {
        int n = 0;
        for (const auto& box : os.messageBoxes)
            n += box.text == text ? 1 : 0;
        return n;
    }

    // Runs that reached the simulator: each opens with the on-ground read.
    int Runs() const
    {
        int n = 0;
        for (const fake::Exchange& exchange : os.peer.exchanges)
            n += exchange.front().offset == expect::kOnGround ? 1 : 0;
        return n;
    }
    std::string LastShown() const { return os.peer.exchanges.back().front().Text(); }
    int Count(const std::string& line) const
    {
        return static_cast<int>(std::count(log.begin(), log.end(), line));
    }
    int Opens() const
    {
        return static_cast<int>(std::count(os.resourceLog.begin(), os.resourceLog.end(), "atom+"));
    }
    // The codes the close wrote, or "" when it wrote none.
    std::string Saved() { return os.files.count(kIni) ? os.files[kIni] : ""; }
};

const std::string kHotkeyQ = "SHUTDOWN_HK=81\r\nSHUTDOWN_HKCS=0\r\n";

// The codes come from the file before the list exists, the controls are
// restored from them, and the timer comes last: the change events that
// restoring raises must not rewrite the codes, nor may the link be tried.
TEST(FormLoad, ReadsThenFillsThenRestoresThenStartsTheTimer)
{
    const std::string settings = "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n";
    Rig rig(&settings);
    rig.view.raiseEvents = true;
    rig.form.Form_Load();

    Lines expected{"read " + kIni, "add None"};
    for (const char c : std::string("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
        expected.push_back(std::string("add ") + c);
    expected.insert(expected.end(), {"select S", "check CTRL 1", "check SHIFT 1", "timer on"});
    EXPECT_EQ(rig.log, expected);
    EXPECT_EQ(rig.os.sends, 0);
    EXPECT_TRUE(rig.os.atomsLive().empty());

    // Once loaded, a change of the controls is the user's and counts.
    rig.Choose("A");
    int cancel = 0;
    rig.form.Form_Unload(cancel);
    EXPECT_EQ(rig.Saved(), "SHUTDOWN_HK=65\r\nSHUTDOWN_HKCS=3\r\n");
}

// The first tick opens the link; a held hotkey then starts the run inside it.
TEST(FormTimer, ConnectsThenPollsTheHotkey)
{
    const std::string settings = "SHUTDOWN_HK=81\r\nSHUTDOWN_HKCS=0\r\n";
    Rig rig(&settings);
    rig.form.Form_Load();
    rig.os.keys[81] = static_cast<std::int16_t>(0x8000);
    rig.os.peer.Set(expect::kOnGround, 2, 0); // airborne: the run stops early
    rig.form.tmrTimer_Timer();

    // The handshake, then the run's opening exchange and its refusal.
    EXPECT_EQ(rig.os.peer.exchanges.size(), 1u + 2u);
}

// --- The phases ---------------------------------------------------------------

enum class Event { Tick, Click, Close, EndSession, Throw };

const char* Name(Event event)
{
    static const char* const names[] = {"tick", "click", "close", "end of session", "throw"};
    return names[static_cast<int>(event)];
}

// Brings a form into `phase` by the events that lead there, delivers `event`
// inside it, lets whatever was under way end, and says what came of it all.
// A tick holds the hotkey (Q) for that tick only. After a throw comes what
// the window would take next: the posted close if there is one, else a click.
std::string Play(const std::string& phase, Event event)
{
    Rig rig(&kHotkeyQ);
    rig.os.peer.Set(expect::kOnGround, 2, 1);
    int cancel = -1;
    int held = 0;
    const auto deliver = [&] {
        switch (event) {
        case Event::Tick:
            rig.os.keys[81] = static_cast<std::int16_t>(0x8000);
            rig.form.tmrTimer_Timer();
            rig.os.keys[81] = 0;
            break;
        case Event::Click:
            rig.form.cmdShutdown_Click();
            break;
        case Event::Close:
            cancel = 0;
            rig.form.Form_Unload(cancel);
            break;
        case Event::EndSession:
            rig.form.Form_EndSession();
            break;
        case Event::Throw:
            throw std::bad_alloc();
        }
    };
    const auto then = [&](std::function<void()> first) {
        return [&deliver, first] {
            first();
            deliver();
        };
    };
    const auto start = [&](const std::function<void()>& driver) {
        try {
            driver();
        } catch (const std::bad_alloc&) {
            if (rig.Count("close posted") > 0)
                rig.form.Form_Unload(held);
            else
                rig.form.cmdShutdown_Click();
        }
    };

    if (phase == "Loading") {
        start(deliver);
        rig.form.Form_Terminate();
    } else {
        rig.form.Form_Load();
        if (phase == "Opening") {
            rig.os.failSends = 1;
            rig.view.duringWait = deliver; // before the handshake's second send
            start([&] { rig.form.tmrTimer_Timer(); });
        } else if (phase == "Telling") {
            rig.os.peerClass = "";
            rig.os.whileMessageBox = [&](const fake::FakeOs::Box&) { deliver(); };
            start([&] { rig.form.cmdShutdown_Click(); });
        } else {
            rig.form.tmrTimer_Timer();
            if (phase == "Idle") {
                start(deliver);
            } else if (phase == "Running") {
                rig.view.duringWait = deliver; // after the first item
                start([&] { rig.form.cmdShutdown_Click(); });
            } else if (phase == "CloseHeld") {
                rig.view.duringWait = then([&] { rig.form.Form_Unload(held); });
                start([&] { rig.form.cmdShutdown_Click(); });
            } else if (phase == "Ending") {
                rig.view.duringWait = then([&] { rig.form.Form_EndSession(); });
                start([&] { rig.form.cmdShutdown_Click(); });
            } else if (phase == "Closing") {
                rig.os.failCreateFile = true; // the save fails: its warning box
                rig.os.whileMessageBox = [&](const fake::FakeOs::Box&) { deliver(); };
                start([&] { rig.form.Form_Unload(held); });
            } else if (phase == "Finished") {
                rig.form.Form_Unload(held);
                start(deliver);
            }
        }
    }

    std::string out = "runs " + std::to_string(rig.Runs()) + ", opens " +
                      std::to_string(rig.Opens()) + ", saves " +
                      std::to_string(rig.Count("read " + kIni + ".tmp"));
    if (rig.Runs() > 0 && rig.LastShown() == "Shutdown:  Complete")
        out += ", complete";
    if (const int boxes = rig.Boxes(kNotConnected))
        out += ", boxes " + std::to_string(boxes);
    if (cancel >= 0)
        out += ", cancel " + std::to_string(cancel);
    if (const int posted = rig.Count("close posted"))
        out += ", close posted " + std::to_string(posted);
    out += rig.os.atomsLive().empty() ? ", link closed" : ", link open";
    return out;
}

// Each phase with the events that can reach it. What a phase does not take
// is dropped: no second run, no open of the link under a run, no second save.
// A close waits for the end of an open or a run while the simulator answers;
// the end of the session saves at once and leaves the link to them; an
// exception settles what they held.
TEST(FormPhases, EachEventDoesWhatItsPhaseSays)
{
    struct Row {
        const char* phase;
        Event event;
        const char* then;
    };
    const Row rows[] = {
        {"Loading", Event::Close, "runs 0, opens 0, saves 0, cancel 0, link closed"},
        {"Loading", Event::EndSession, "runs 0, opens 0, saves 0, link closed"},

        {"Idle", Event::Tick, "runs 1, opens 1, saves 0, complete, link open"},
        {"Idle", Event::Click, "runs 1, opens 1, saves 0, complete, link open"},
        {"Idle", Event::Close, "runs 0, opens 1, saves 1, cancel 0, link closed"},
        {"Idle", Event::EndSession, "runs 0, opens 1, saves 1, link closed"},

        {"Opening", Event::Tick, "runs 0, opens 1, saves 0, link open"},
        {"Opening", Event::Click, "runs 0, opens 1, saves 0, link open"},
        {"Opening", Event::Close,
         "runs 0, opens 1, saves 0, cancel 1, close posted 1, link closed"},
        {"Opening", Event::EndSession, "runs 0, opens 1, saves 1, link closed"},
        {"Opening", Event::Throw, "runs 0, opens 1, saves 0, boxes 1, link open"},

        {"Running", Event::Tick, "runs 1, opens 1, saves 0, complete, link open"},
        {"Running", Event::Click, "runs 1, opens 1, saves 0, complete, link open"},
        {"Running", Event::Close,
         "runs 1, opens 1, saves 0, complete, cancel 1, close posted 1, link open"},
        {"Running", Event::EndSession, "runs 1, opens 1, saves 1, complete, link closed"},
        {"Running", Event::Throw, "runs 2, opens 1, saves 0, complete, link open"},

        {"CloseHeld", Event::Tick, "runs 1, opens 1, saves 0, complete, close posted 1, link open"},
        {"CloseHeld", Event::Close,
         "runs 1, opens 1, saves 0, complete, cancel 1, close posted 1, link open"},
        {"CloseHeld", Event::EndSession, "runs 1, opens 1, saves 1, complete, link closed"},
        {"CloseHeld", Event::Throw, "runs 1, opens 1, saves 1, close posted 1, link closed"},

        {"Ending", Event::Close, "runs 1, opens 1, saves 1, complete, cancel 1, link closed"},
        {"Ending", Event::EndSession, "runs 1, opens 1, saves 1, complete, link closed"},
        {"Ending", Event::Throw, "runs 1, opens 1, saves 1, link closed"},

        {"Telling", Event::Tick, "runs 0, opens 0, saves 0, boxes 1, link closed"},
        {"Telling", Event::Click, "runs 0, opens 0, saves 0, boxes 1, link closed"},
        {"Telling", Event::Close, "runs 0, opens 0, saves 1, boxes 1, cancel 0, link closed"},
        {"Telling", Event::EndSession, "runs 0, opens 0, saves 1, boxes 1, link closed"},

        {"Closing", Event::Tick, "runs 0, opens 1, saves 1, link closed"},
        {"Closing", Event::Click, "runs 0, opens 1, saves 1, link closed"},
        {"Closing", Event::Close, "runs 0, opens 1, saves 1, cancel 1, link closed"},
        {"Closing", Event::EndSession, "runs 0, opens 1, saves 1, link closed"},

        {"Finished", Event::Tick, "runs 0, opens 1, saves 1, link closed"},
        {"Finished", Event::Click, "runs 0, opens 1, saves 1, link closed"},
        {"Finished", Event::Close, "runs 0, opens 1, saves 1, cancel 0, link closed"},
        {"Finished", Event::EndSession, "runs 0, opens 1, saves 1, link closed"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Play(row.phase, row.event), row.then) << row.phase << ", " << Name(row.event);
}

// Once a send has gone unanswered, a close asked then, or held since earlier,
// ends an open or a run at the next wait: the simulator may never answer
// again. The link is closed there, and nothing more is sent.
TEST(FormPhases, ACloseEndsWhatTheSimulatorNoLongerAnswers)
{
    for (const bool run : {false, true}) {
        SCOPED_TRACE(run ? "a close held by a run" : "a close during an open");
        Rig rig(&kHotkeyQ);
        rig.os.peer.Set(expect::kOnGround, 2, 1);
        rig.form.Form_Load();
        if (run)
            rig.form.tmrTimer_Timer();
        int cancel = 0;
        rig.view.duringWait = [&] {
            rig.form.Form_Unload(cancel);
            rig.os.failSends = -1;
        };
        if (!run)
            rig.os.failSends = -1;
        const int sendsBefore = rig.os.sends;
        const std::uint64_t start = rig.os.now;
        if (run)
            rig.form.cmdShutdown_Click();
        else
            rig.form.tmrTimer_Timer();

        EXPECT_EQ(cancel, 1);
        EXPECT_EQ(rig.Count("close posted"), 1);
        EXPECT_TRUE(rig.os.atomsLive().empty());
        // The run's first item and its pause, then one unanswered send; the
        // wait after that send calls it off.
        EXPECT_EQ(rig.os.sends - sendsBefore, run ? 6 : 1);
        EXPECT_EQ(rig.os.now - start, run ? 1000u : 0u);
        EXPECT_EQ(rig.Count("busy"), 1);
        EXPECT_EQ(rig.Runs(), run ? 1 : 0);
        if (run) {
            EXPECT_NE(rig.LastShown(), "Shutdown:  Complete");
        }
    }
}

// An open that the simulator answers does not grey the button; one that it
// keeps waiting does, until it is over.
TEST(FormPhases, AnOpenShowsItselfBusyOnlyOnceTheSimulatorKeepsItWaiting)
{
    for (const int failures : {0, 3}) {
        SCOPED_TRACE(failures);
        Rig rig;
        rig.form.Form_Load();
        rig.os.failSends = failures;
        rig.log.clear();
        rig.form.tmrTimer_Timer();
        EXPECT_EQ(rig.os.atomsLive().size(), 1u);
        EXPECT_EQ(rig.log, failures ? (Lines{"busy", "not busy"}) : (Lines{"not busy"}));
    }
}

// A file that is there but could not be read still holds the user's choice:
// the defaults fallen back on must not overwrite it at close, but a choice
// the user makes afterwards is saved.
TEST(FormExit, AnUnreadableFileIsKeptUnlessTheUserChoseAgain)
{
    const std::string settings = "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n";
    for (const bool choose : {false, true}) {
        SCOPED_TRACE(choose);
        Rig rig(&settings);
        rig.os.failReadFile = true;  // there, but locked
        rig.view.raiseEvents = true; // restoring at load is not a choice
        rig.form.Form_Load();
        if (choose)
            rig.Choose("A");
        int cancel = 0;
        rig.form.Form_Unload(cancel);

        EXPECT_EQ(rig.os.files[kIni], choose ? "SHUTDOWN_HK=65\r\nSHUTDOWN_HKCS=0\r\n" : settings);
        EXPECT_TRUE(rig.os.messageBoxes.empty());
    }
}

// Whichever file call of the load fails, the file that is there must not pass
// for a missing one, nor a handle stay open: the close would then write the
// defaults over it, or fail to replace it.
TEST(FormExit, AFailureAtAnyCallOfTheLoadLeavesTheFileAsItWas)
{
    const std::string settings = "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n";
    for (int call = 1; call < 100; ++call) {
        SCOPED_TRACE(call);
        Rig rig(&settings);
        rig.os.failFileCall = call;
        rig.form.Form_Load();
        EXPECT_EQ(rig.os.filesOpen(), 0);
        const bool failed = rig.os.fileCalls >= call;
        rig.os.failFileCall = 0;
        int cancel = 0;
        rig.form.Form_Unload(cancel);
        EXPECT_EQ(rig.os.files[kIni], settings);
        EXPECT_TRUE(rig.os.messageBoxes.empty());
        if (!failed)
            break;
    }
}

} // namespace
