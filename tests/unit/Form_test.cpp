#include "app/Form.h"
#include "expect/SimVariables.h"
#include "fake/FakeOs.h"
#include "fake/FakeView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {

using fake::FakeView;
using fake::Lines;

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

    // What the window's message loop does with what was posted to it: the
    // worker's word that its batch is over.
    void TakePosted()
    {
        while (!os.posted.empty()) {
            const std::uint32_t message = os.posted.front();
            os.posted.erase(os.posted.begin());
            if (message == app::kWmExchangesOver)
                form.Worker_Over();
        }
    }

    // The first tick opens the link, and the open's end is taken.
    void Connect()
    {
        form.tmrTimer_Timer();
        TakePosted();
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

// The first tick opens the link; a held hotkey then starts the run once the
// open is over.
TEST(FormTimer, ConnectsThenPollsTheHotkey)
{
    const std::string settings = "SHUTDOWN_HK=81\r\nSHUTDOWN_HKCS=0\r\n";
    Rig rig(&settings);
    rig.form.Form_Load();
    rig.os.keys[81] = static_cast<std::int16_t>(0x8000);
    rig.os.peer.Set(expect::kOnGround, 2, 0); // airborne: the run stops early
    rig.Connect();
    rig.TakePosted();

    // The handshake, then the run's opening exchange and its refusal.
    EXPECT_EQ(rig.os.peer.exchanges.size(), 1u + 2u);
}

// --- The phases ---------------------------------------------------------------

enum class Event { Tick, Click, Help, Choose, Close, EndSession, StartedAgain, Over, Throw };

const char* Name(Event event)
{
    static const char* const names[] = {"tick",          "click", "help",
                                        "choose",        "close", "end of session",
                                        "started again", "over",  "throw"};
    return names[static_cast<int>(event)];
}

// Brings a form into `phase` by the events that lead there, delivers `event`
// inside it, lets the worker's batch go on to its end, hands its "over" and
// any posted close to the form as the window would, and says what came of it
// all. The worker is held at the start of its batch until then, so every
// event of an exchange phase arrives mid-batch. A tick holds the hotkey (Q)
// for that tick only; "choose" picks A in the list, and is followed by a
// close once all is over, to show what was kept; "throw" makes the batch
// under way fail with an exception.
std::string Play(const std::string& phase, Event event)
{
    Rig rig(&kHotkeyQ);
    rig.os.peer.Set(expect::kOnGround, 2, 1);
    int cancel = -1;
    int held = 0;
    bool overDelivered = false;
    // What the worker's end starts (a run asked for during the open) is let
    // go as well.
    const auto letGo = [&] {
        while (rig.os.RunThreads() || !rig.os.posted.empty())
            rig.TakePosted();
    };
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
        case Event::Help:
            rig.form.cmdHelp_Click();
            break;
        case Event::Choose:
            rig.Choose("A");
            break;
        case Event::Close:
            cancel = 0;
            rig.form.Form_Unload(cancel);
            break;
        case Event::EndSession:
            rig.form.Form_EndSession();
            break;
        case Event::StartedAgain:
            rig.form.Form_StartedAgain();
            break;
        case Event::Over:
            overDelivered = true;
            letGo();
            break;
        case Event::Throw:
            rig.os.peer.tamper = [](std::uint8_t*) { throw std::bad_alloc(); };
            break;
        }
    };

    if (phase == "Loading") {
        deliver();
        rig.form.Form_Terminate();
    } else {
        rig.form.Form_Load();
        if (phase == "Telling") {
            rig.os.peerClass = "";
            rig.Connect();
            rig.os.whileMessageBox = [&](const fake::FakeOs::Box&) { deliver(); };
            rig.form.cmdShutdown_Click();
        } else if (phase == "Closing") {
            rig.os.failCreateFile = true; // the save fails: its warning box
            rig.os.whileMessageBox = [&](const fake::FakeOs::Box&) { deliver(); };
            rig.form.Form_Unload(held);
        } else if (phase == "Finished") {
            rig.form.Form_Unload(held);
            deliver();
        } else if (phase == "Opening" || phase == "StartAsked") {
            rig.os.holdThreads = true;
            rig.form.tmrTimer_Timer();
            if (phase == "StartAsked")
                rig.form.cmdShutdown_Click();
            deliver();
        } else {
            rig.Connect();
            rig.os.holdThreads = true;
            if (phase == "Idle") {
                deliver();
            } else {
                rig.form.cmdShutdown_Click();
                if (phase == "CloseHeld")
                    rig.form.Form_Unload(held);
                if (phase == "Ending")
                    rig.form.Form_EndSession();
                deliver();
            }
        }
    }
    if (!overDelivered)
        letGo();
    if (rig.Count("close posted") > 0)
        rig.form.Form_Unload(held);
    if (event == Event::Choose)
        rig.form.Form_Unload(held);

    std::string out = "runs " + std::to_string(rig.Runs()) + ", opens " +
                      std::to_string(rig.Opens()) + ", saves " +
                      std::to_string(rig.Count("read " + kIni + ".tmp"));
    if (rig.Runs() > 0 && rig.LastShown() == "Shutdown:  Complete")
        out += ", complete";
    if (const int boxes = rig.Boxes(kNotConnected))
        out += ", boxes " + std::to_string(boxes);
    if (!rig.os.shellCalls.empty())
        out += ", help " + std::to_string(rig.os.shellCalls.size());
    if (event == Event::Choose)
        out += rig.Saved().find("SHUTDOWN_HK=65") != std::string::npos ? ", kept A" : ", kept Q";
    if (cancel >= 0)
        out += ", cancel " + std::to_string(cancel);
    if (const int posted = rig.Count("close posted"))
        out += ", close posted " + std::to_string(posted);
    if (rig.view.busy)
        out += ", still busy";
    out += rig.os.atomsLive().empty() ? ", link closed" : ", link open";
    return out;
}

// Each phase with the events that can reach it. What a phase does not take
// is dropped: no second run, no open of the link under a run, no second save,
// no change of the hotkey while the controls are greyed. A close waits for
// the end of the batch while the simulator answers; the end of the session
// saves at once and leaves the link to the worker; a start made meanwhile
// cancels a held close; a batch that fails with an exception is over all the
// same, and the form settles what it held.
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
        {"Idle", Event::Help, "runs 0, opens 1, saves 0, help 1, link open"},
        {"Idle", Event::Choose, "runs 0, opens 1, saves 1, kept A, link closed"},
        {"Idle", Event::Close, "runs 0, opens 1, saves 1, cancel 0, link closed"},
        {"Idle", Event::EndSession, "runs 0, opens 1, saves 1, link closed"},
        {"Idle", Event::StartedAgain, "runs 0, opens 1, saves 0, link open"},

        {"Opening", Event::Tick, "runs 0, opens 1, saves 0, link open"},
        {"Opening", Event::Click, "runs 1, opens 1, saves 0, complete, link open"},
        {"Opening", Event::Help, "runs 0, opens 1, saves 0, help 1, link open"},
        {"Opening", Event::Choose, "runs 0, opens 1, saves 1, kept A, link closed"},
        {"Opening", Event::Close,
         "runs 0, opens 1, saves 1, cancel 1, close posted 1, link closed"},
        {"Opening", Event::EndSession, "runs 0, opens 1, saves 1, link closed"},
        {"Opening", Event::Over, "runs 0, opens 1, saves 0, link open"},
        {"Opening", Event::Throw, "runs 0, opens 1, saves 0, link open"},

        {"StartAsked", Event::Tick, "runs 1, opens 1, saves 0, complete, link open"},
        {"StartAsked", Event::Close,
         "runs 0, opens 1, saves 1, cancel 1, close posted 1, link closed"},
        {"StartAsked", Event::Over, "runs 1, opens 1, saves 0, complete, link open"},

        {"Running", Event::Tick, "runs 1, opens 1, saves 0, complete, link open"},
        {"Running", Event::Click, "runs 1, opens 1, saves 0, complete, link open"},
        {"Running", Event::Help, "runs 1, opens 1, saves 0, complete, help 1, link open"},
        {"Running", Event::Choose, "runs 1, opens 1, saves 1, complete, kept Q, link closed"},
        {"Running", Event::Close,
         "runs 1, opens 1, saves 1, complete, cancel 1, close posted 1, link closed"},
        {"Running", Event::EndSession, "runs 1, opens 1, saves 1, complete, link closed"},
        {"Running", Event::StartedAgain, "runs 1, opens 1, saves 0, complete, link open"},
        {"Running", Event::Over, "runs 1, opens 1, saves 0, complete, link open"},
        {"Running", Event::Throw, "runs 1, opens 1, saves 0, link open"},

        {"CloseHeld", Event::Tick,
         "runs 1, opens 1, saves 1, complete, close posted 1, link closed"},
        {"CloseHeld", Event::Close,
         "runs 1, opens 1, saves 1, complete, cancel 1, close posted 1, link closed"},
        {"CloseHeld", Event::EndSession, "runs 1, opens 1, saves 1, complete, link closed"},
        {"CloseHeld", Event::StartedAgain, "runs 1, opens 1, saves 0, complete, link open"},
        {"CloseHeld", Event::Over,
         "runs 1, opens 1, saves 1, complete, close posted 1, link closed"},
        {"CloseHeld", Event::Throw, "runs 1, opens 1, saves 1, close posted 1, link closed"},

        {"Ending", Event::Close, "runs 1, opens 1, saves 1, complete, cancel 1, link closed"},
        {"Ending", Event::EndSession, "runs 1, opens 1, saves 1, complete, link closed"},
        {"Ending", Event::StartedAgain, "runs 1, opens 1, saves 1, complete, link closed"},
        {"Ending", Event::Over, "runs 1, opens 1, saves 1, complete, link closed"},
        {"Ending", Event::Throw, "runs 1, opens 1, saves 1, link closed"},

        {"Telling", Event::Tick, "runs 0, opens 0, saves 0, boxes 1, link closed"},
        {"Telling", Event::Click, "runs 0, opens 0, saves 0, boxes 1, link closed"},
        {"Telling", Event::Close, "runs 0, opens 0, saves 1, boxes 1, cancel 0, link closed"},
        {"Telling", Event::EndSession, "runs 0, opens 0, saves 1, boxes 1, link closed"},

        {"Closing", Event::Tick, "runs 0, opens 0, saves 1, link closed"},
        {"Closing", Event::Click, "runs 0, opens 0, saves 1, link closed"},
        {"Closing", Event::Help, "runs 0, opens 0, saves 1, link closed"},
        {"Closing", Event::Close, "runs 0, opens 0, saves 1, cancel 1, link closed"},
        {"Closing", Event::EndSession, "runs 0, opens 0, saves 1, link closed"},

        {"Finished", Event::Tick, "runs 0, opens 0, saves 1, link closed"},
        {"Finished", Event::Click, "runs 0, opens 0, saves 1, link closed"},
        {"Finished", Event::Close, "runs 0, opens 0, saves 1, cancel 0, link closed"},
        {"Finished", Event::EndSession, "runs 0, opens 0, saves 1, link closed"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Play(row.phase, row.event), row.then) << row.phase << ", " << Name(row.event);
}

// A close calls the batch off only where the simulator does not answer now:
// at the first wait after a send it left unanswered, the link is closed and
// nothing more is sent. A stall it got over before the close does not count,
// and the run goes on to "Complete" first.
TEST(FormPhases, ACloseEndsOnlyWhatTheSimulatorNoLongerAnswers)
{
    struct Case {
        const char* what;
        bool run;
        int stalledBefore; // sends of the first exchange the simulator misses first
        bool goneAtClose;  // and from the close on, it answers nothing
        const char* then;
    };
    const Case cases[] = {
        {"an open, the simulator gone", false, 0, true, "runs 0, sends 1, link closed"},
        {"a run, the simulator gone", true, 0, true, "runs 1, sends 6, link closed"},
        {"a run after a stall", true, 3, false, "runs 1, sends 34, complete, link closed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig(&kHotkeyQ);
        rig.os.peer.Set(expect::kOnGround, 2, 1);
        rig.form.Form_Load();
        if (c.run)
            rig.Connect();
        int cancel = 0;
        const auto close = [&] {
            rig.form.Form_Unload(cancel);
            if (c.goneAtClose)
                rig.os.failSends = -1;
        };
        // An open is closed before its first send; a run, in the pause after
        // its first item, the parking brake.
        if (c.run)
            rig.os.whileSleeping = close;
        else
            rig.os.holdThreads = true;
        rig.os.failSends = c.stalledBefore;
        const int sendsBefore = rig.os.sends;
        if (c.run) {
            rig.form.cmdShutdown_Click();
        } else {
            rig.form.tmrTimer_Timer();
            close();
            rig.os.RunThreads();
        }
        rig.TakePosted();
        if (rig.Count("close posted") > 0)
            rig.form.Form_Unload(cancel);

        std::string out = "runs " + std::to_string(rig.Runs()) + ", sends " +
                          std::to_string(rig.os.sends - sendsBefore);
        if (rig.Runs() > 0 && rig.LastShown() == "Shutdown:  Complete")
            out += ", complete";
        out += rig.os.atomsLive().empty() ? ", link closed" : ", link open";
        EXPECT_EQ(out, c.then);
        EXPECT_EQ(rig.Count("close posted"), 1);
        EXPECT_EQ(rig.Count("read " + kIni + ".tmp"), 1);
    }
}

// An open that is over within a tick's interval leaves the controls alone,
// or they would flicker once a second while the simulator is away; one that
// a tick finds still under way greys them until it is over.
TEST(FormPhases, AnOpenShowsItselfBusyOnlyOnceATickFindsItUnderWay)
{
    Rig rig;
    rig.form.Form_Load();
    rig.os.holdThreads = true;
    rig.log.clear();
    rig.form.tmrTimer_Timer();
    EXPECT_TRUE(rig.log.empty());
    rig.form.tmrTimer_Timer();
    EXPECT_EQ(rig.log, Lines{"busy"});
    rig.os.RunThreads();
    rig.TakePosted();
    EXPECT_EQ(rig.log, (Lines{"busy", "not busy"}));
    EXPECT_EQ(rig.os.threadsStarted, 1);
}

// While the simulator is away, a tick wakes no worker for an open that could
// only fail at its look-up (a thread a second costs more than the whole idle
// window), yet a held hotkey still gets the not-connected box.
TEST(FormPhases, WithoutASimulatorATickStartsNoWorker)
{
    Rig rig(&kHotkeyQ);
    rig.os.peerClass = "";
    rig.form.Form_Load();
    rig.form.tmrTimer_Timer();
    rig.os.keys[81] = static_cast<std::int16_t>(0x8000);
    rig.form.tmrTimer_Timer();
    EXPECT_EQ(rig.os.threadsStarted, 0);
    EXPECT_EQ(rig.Boxes(kNotConnected), 1);

    rig.os.keys[81] = 0;
    rig.os.peerClass = expect::wire::kPrimaryWindowClass;
    rig.Connect();
    EXPECT_EQ(rig.os.threadsStarted, 1);
    EXPECT_EQ(rig.os.atomsLive().size(), 1u);
}

// A worker that cannot be started leaves the form as it was: the press or
// the tick starts nothing, the controls are not left greyed, and the close
// goes ahead.
TEST(FormPhases, AWorkerThatCannotStartLeavesTheFormIdle)
{
    Rig rig(&kHotkeyQ);
    rig.form.Form_Load();
    rig.Connect();
    rig.os.failCreateThread = true;
    rig.form.cmdShutdown_Click();
    EXPECT_FALSE(rig.view.busy);
    EXPECT_EQ(rig.Runs(), 0);
    int cancel = 0;
    rig.form.Form_Unload(cancel);
    EXPECT_EQ(cancel, 0);
    EXPECT_TRUE(rig.os.atomsLive().empty());
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
