#include "app/Form.h"
#include "expect/SimVariables.h"
#include "fake/FakeOs.h"

#include <gtest/gtest.h>

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
    int checks[2] = {0, 0};
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
    void SetCheck(app::CheckBox box, int state) override
    {
        const bool ctrl = box == app::CheckBox::CTRL;
        log->push_back(std::string("check ") + (ctrl ? "CTRL " : "SHIFT ") + std::to_string(state));
        checks[ctrl ? 0 : 1] = state;
        if (raiseEvents && ctrl)
            form->chkShutdownCTRL_Click();
        if (raiseEvents && !ctrl)
            form->chkShutdownSHIFT_Click();
    }
    int GetCheck(app::CheckBox box) override { return checks[box == app::CheckBox::CTRL ? 0 : 1]; }
    void EnableTimer() override
    {
        log->push_back("timer on");
        timer = true;
    }
    void DisableTimer() override { timer = false; }
    bool TimerEnabled() override { return timer; }
    os::Window Owner() override { return this; }

    // What reaches the window in a run's waits, delivered at the first look.
    std::function<void()> duringRun;
    void RunStarted() override { log->push_back("run started"); }
    void RunOver() override { log->push_back("run over"); }
    void TakeMessages() override
    {
        if (const std::function<void()> deliver = std::exchange(duringRun, nullptr))
            deliver();
    }
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
};

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
    EXPECT_EQ(rig.form.CurrentHotkey().HotkeyKey, 83);
    EXPECT_EQ(rig.form.CurrentHotkey().HotkeyModifiers, 3);
    EXPECT_EQ(rig.os.sends, 0);
    EXPECT_TRUE(rig.os.atomsLive().empty());

    // Once loaded, a change of the controls is the user's and counts.
    rig.Choose("A");
    EXPECT_EQ(rig.form.CurrentHotkey().HotkeyKey, 65);
}

// The first tick opens the link; a held hotkey then starts the run inside it.
TEST(FormTimer, ConnectsThenPollsTheHotkey)
{
    const std::string settings = "SHUTDOWN_HK=81\r\nSHUTDOWN_HKCS=0\r\n";
    Rig rig(&settings);
    rig.form.Form_Load();
    rig.os.keys[81] = static_cast<std::int16_t>(0x8000);
    rig.os.peer.Set(expect::kOnGround, 2, 0);  // airborne: the run stops early
    rig.form.tmrTimer_Timer();

    EXPECT_TRUE(rig.form.LinkConnection().Connected());
    // The handshake, then the run's opening exchange and its refusal.
    EXPECT_EQ(rig.os.peer.exchanges.size(), 1u + 2u);
}

// A run's message box pumps the window's messages; a tick that arrives there
// must not open the link or start a second run inside the first.
TEST(FormTimer, ATickDuringARunsMessageBoxIsDropped)
{
    Rig rig;
    rig.form.Form_Load();
    rig.os.whileMessageBox = [&](const fake::FakeOs::Box&) { rig.form.tmrTimer_Timer(); };
    rig.form.cmdShutdown_Click();

    EXPECT_EQ(rig.Boxes(kNotConnected), 1);
    EXPECT_TRUE(rig.os.atomsLive().empty());
    rig.os.whileMessageBox = nullptr;
    rig.form.tmrTimer_Timer();
    EXPECT_EQ(rig.os.atomsLive().size(), 1u);
}

// A run that throws (out of memory) must not leave the guard set: every
// later click and tick would then do nothing for the rest of the session.
TEST(FormRun, TheGuardIsClearedWhenARunThrows)
{
    const std::string settings = "SHUTDOWN_HK=81\r\nSHUTDOWN_HKCS=0\r\n";
    Rig rig(&settings);
    rig.os.peerClass = "";
    rig.form.Form_Load();
    rig.os.whileMessageBox = [](const fake::FakeOs::Box&) { throw std::bad_alloc(); };
    EXPECT_THROW(rig.form.cmdShutdown_Click(), std::bad_alloc);

    rig.os.whileMessageBox = nullptr;
    rig.form.cmdShutdown_Click();
    EXPECT_EQ(rig.Boxes(kNotConnected), 2);
    rig.os.keys[81] = static_cast<std::int16_t>(0x8000);
    rig.form.tmrTimer_Timer();
    EXPECT_EQ(rig.Boxes(kNotConnected), 3);
}

// What reaches the window in a run's waits is gone when the run ends: a
// second click, the help button, a tick with the hotkey held. A close is kept
// until the run is over, so that it never leaves the aircraft half shut
// down. The end of the session saves at once, but the link stays the run's.
TEST(FormRun, InputDuringARunIsDroppedAndACloseWaitsForItsEnd)
{
    const std::string settings = "SHUTDOWN_HK=81\r\nSHUTDOWN_HKCS=0\r\n";
    Rig rig(&settings);
    rig.os.peer.Set(expect::kOnGround, 2, 1);
    rig.form.Form_Load();
    rig.form.tmrTimer_Timer();
    rig.os.files.clear();
    int cancel = 0;
    bool savedAtOnce = false;
    rig.view.duringRun = [&] {
        rig.form.cmdShutdown_Click();
        rig.form.cmdHelp_Click();
        rig.os.keys[81] = static_cast<std::int16_t>(0x8000);
        rig.form.tmrTimer_Timer();
        rig.form.Form_Unload(cancel);
        rig.form.Form_EndSession();
        savedAtOnce = rig.os.files[kIni] == settings;
    };
    rig.log.clear();
    rig.form.cmdShutdown_Click();

    EXPECT_EQ(rig.Runs(), 1);
    EXPECT_EQ(rig.LastShown(), "Shutdown:  Complete");
    EXPECT_TRUE(rig.os.shellCalls.empty());
    EXPECT_EQ(cancel, 1);
    // The session's save, inside the run; the close, after it.
    EXPECT_EQ(rig.log, (Lines{"run started", "read " + kIni + ".tmp", "run over", "close posted"}));
    EXPECT_TRUE(savedAtOnce);
    EXPECT_TRUE(rig.os.atomsLive().empty());
}

// Every way out saves the settings and releases the atom, exactly once, even
// when several of them come one after the other.
TEST(FormExit, EveryWayOutSavesOnceAndClosesTheLink)
{
    enum class Way { CloseThenDestroy, EndSessionThenDestroy, LoopEndsWithoutDestroy };
    for (const Way way :
         {Way::CloseThenDestroy, Way::EndSessionThenDestroy, Way::LoopEndsWithoutDestroy}) {
        SCOPED_TRACE(static_cast<int>(way));
        Rig rig;
        rig.form.Form_Load();
        rig.form.tmrTimer_Timer();
        ASSERT_EQ(rig.os.atomsLive().size(), 1u);
        rig.Choose("Q");

        int cancel = 0;
        if (way == Way::CloseThenDestroy)
            rig.form.Form_Unload(cancel);
        else if (way == Way::EndSessionThenDestroy)
            rig.form.Form_EndSession();
        EXPECT_EQ(cancel, 0);
        rig.form.Form_Terminate();
        EXPECT_EQ(rig.os.files[kIni], "SHUTDOWN_HK=81\r\nSHUTDOWN_HKCS=0\r\n");
        EXPECT_TRUE(rig.os.atomsLive().empty());
        EXPECT_FALSE(rig.view.timer);

        // Nothing is written again however many of them follow.
        rig.os.files[kIni] = "kept";
        rig.form.Form_EndSession();
        rig.form.Form_Terminate();
        EXPECT_EQ(rig.os.files[kIni], "kept");
    }
}

// The link was lost, the user clicked and got the not-connected box, and
// closed the window while it was up: the close goes through, and nothing of
// the run follows it.
TEST(FormExit, ACloseDuringTheNotConnectedBox)
{
    Rig rig;
    rig.form.Form_Load();
    rig.form.tmrTimer_Timer();
    rig.os.failSends = -1;
    rig.form.cmdShutdown_Click();  // the opening exchange fails: taken as down
    ASSERT_FALSE(rig.form.LinkConnection().Connected());
    ASSERT_EQ(rig.os.atomsLive().size(), 1u);

    int cancel = 0;
    rig.os.whileMessageBox = [&](const fake::FakeOs::Box&) { rig.form.Form_Unload(cancel); };
    rig.form.cmdShutdown_Click();
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(rig.Boxes(kNotConnected), 1);
    EXPECT_TRUE(rig.os.atomsLive().empty());
    EXPECT_EQ(rig.os.files.count(kIni), 1u);

    // A tick queued before the timer stopped starts nothing.
    rig.os.failSends = 0;
    const int sends = rig.os.sends;
    rig.form.tmrTimer_Timer();
    EXPECT_EQ(rig.os.sends, sends);
    EXPECT_TRUE(rig.os.atomsLive().empty());
}

// The save's warning pumps messages too: a second close or the end of the
// session arriving there must neither save again nor close the window under
// the first close.
TEST(FormExit, ACloseDuringTheSaveWarning)
{
    Rig rig;
    rig.form.Form_Load();
    rig.os.failCreateFile = true;
    int nestedCancel = 0;
    rig.os.whileMessageBox = [&](const fake::FakeOs::Box&) {
        rig.form.Form_Unload(nestedCancel);
        rig.form.Form_EndSession();
    };
    int cancel = 0;
    rig.form.Form_Unload(cancel);

    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(nestedCancel, 1);
    EXPECT_EQ(rig.os.messageBoxes.size(), 1u);
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
        rig.view.raiseEvents = true;  // restoring at load is not a choice
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

// A window whose controls cannot be created is destroyed before its load ran:
// the form never read the file and must not write the defaults over it.
TEST(FormExit, AFormThatNeverLoadedLeavesTheFileAlone)
{
    const std::string settings = "SHUTDOWN_HK=83\r\nSHUTDOWN_HKCS=3\r\n";
    Rig rig(&settings);
    rig.form.Form_Terminate();
    EXPECT_EQ(rig.os.files[kIni], settings);
    EXPECT_TRUE(rig.os.messageBoxes.empty());
}

} // namespace
