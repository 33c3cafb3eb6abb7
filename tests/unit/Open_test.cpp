#include "fake/FakeOs.h"
#include "simlink/Link.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace simlink;

namespace {

struct Opened {
    bool ok;
    std::int32_t result;
};

class Open : public ::testing::Test {
  protected:
    Opened OpenLink(std::uint32_t requested = 0)
    {
        std::int32_t result = -1;
        const bool ok = link.IpcOpen(requested, result);
        return {ok, result};
    }

    // Nothing of the link may outlive a failed open.
    void ExpectNothingHeld()
    {
        EXPECT_FALSE(link.IsOpen());
        EXPECT_TRUE(os.atomsLive().empty());
        EXPECT_EQ(os.sectionsLive(), 0);
        EXPECT_EQ(os.viewsLive(), 0);
        const IpcLinkState& s = link.State();
        EXPECT_EQ(s.atom, 0);
        EXPECT_EQ(s.section, nullptr);
        EXPECT_EQ(s.viewStart, nullptr);
        EXPECT_EQ(s.writePosition, nullptr);
        EXPECT_EQ(s.messageId, 0u);
        EXPECT_EQ(s.simWindow, nullptr);
    }

    fake::FakeOs os;
    Link link{os};
};

// The atom and the section are named by the process id in upper-case hex.
TEST(SectionName, IsTheMessageNameThePidInUpperCaseHexAndOne)
{
    for (const auto& [pid, name] :
         {std::pair{0x1A4u, "FSASMLIB:IPC:1A4:1"},
          std::pair{0xFFFFFFFFu, "FSASMLIB:IPC:FFFFFFFF:1"}, std::pair{1u, "FSASMLIB:IPC:1:1"}}) {
        fake::FakeOs os;
        os.processId = pid;
        Link link{os};
        std::int32_t result = -1;
        ASSERT_TRUE(link.IpcOpen(0, result)) << result;
        EXPECT_EQ(os.atomsLive(), (std::map<std::string, int>{{name, 1}}));
    }
}

TEST_F(Open, AHealthyPeerTakesOneAttemptAndOnePause)
{
    const Opened o = OpenLink();
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.result, IpcOk);
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(link.State().writePosition, link.State().viewStart);
    EXPECT_EQ(os.sleeps, std::vector<std::uint32_t>{100});
    ASSERT_EQ(os.peer.exchanges.size(), 1u);
    ASSERT_EQ(os.peer.exchanges[0].size(), 2u);
    EXPECT_EQ(os.peer.exchanges[0][0].offset, 0x3304u);
    EXPECT_EQ(os.peer.exchanges[0][1].offset, 0x3308u);
    EXPECT_EQ(os.atomsLive().count("FSASMLIB:IPC:1A4:1"), 1u);
    EXPECT_EQ(os.resourceLog, (std::vector<std::string>{"atom+", "section+", "view+"}));
}

TEST_F(Open, AnOpenLinkIsLeftWorking)
{
    ASSERT_TRUE(OpenLink().ok);
    const IpcLinkState before = link.State();
    const Opened again = OpenLink();
    EXPECT_FALSE(again.ok);
    EXPECT_EQ(again.result, IpcAlreadyOpen);
    EXPECT_EQ(link.State().viewStart, before.viewStart);
    std::int32_t result = -1;
    std::uint32_t v = 0;
    ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
    EXPECT_TRUE(link.IpcProcess(result));
}

TEST_F(Open, NoWindowOfEitherClassCreatesNothing)
{
    os.peerClass = "";
    const Opened o = OpenLink();
    EXPECT_EQ(o.result, IpcNoSimWindow);
    EXPECT_TRUE(os.resourceLog.empty());
    ExpectNothingHeld();
}

TEST_F(Open, FailuresBeforeTheAtomReleaseNothingAndAfterItReleaseAll)
{
    os.failRegister = true;
    EXPECT_EQ(OpenLink().result, IpcNoMessageId);
    EXPECT_TRUE(os.resourceLog.empty());
    EXPECT_NE(link.State().simWindow, nullptr); // kept, though the link is not open
    link.IpcClearState();
    os.failRegister = false;

    os.failAtom = true;
    EXPECT_EQ(OpenLink().result, IpcNoAtom);
    ExpectNothingHeld();
    os.failAtom = false;

    os.failMapping = true;
    EXPECT_EQ(OpenLink().result, IpcNoMapping);
    ExpectNothingHeld();
    os.failMapping = false;

    os.failView = true;
    os.resourceLog.clear();
    EXPECT_EQ(OpenLink().result, IpcNoView);
    EXPECT_EQ(os.resourceLog,
              (std::vector<std::string>{"atom+", "section+", "view+", "atom-", "section-"}));
    ExpectNothingHeld();
}

TEST_F(Open, ASectionNameStillTakenGivesNoMapping)
{
    os.TakeSectionName("FSASMLIB:IPC:1A4:1");
    EXPECT_EQ(OpenLink().result, IpcNoMapping);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(os.atomsLive().empty());
    EXPECT_EQ(os.sectionsLive(), 1); // only the leftover: our handle was closed
}

TEST_F(Open, VersionChecksAtTheirBoundaries)
{
    struct Case {
        std::uint32_t version, id;
        std::string windowClass;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {0x19980005, 0xFADE0006, "UIPCMAIN", IpcOk},
        {0x7FFFFFFF, 0xFADE0000 + 1, "UIPCMAIN", IpcOk},
        {0x19980004, 0xFADE0006, "UIPCMAIN", IpcHandshakeFailed},
        {0x19980004, 0xFADE0006, "FS98MAIN", IpcHandshakeFailedFallback},
        {0x99980005, 0xFADE0006, "UIPCMAIN", IpcHandshakeFailed}, // negative as signed
        {0x19980005, 0xFADF0006, "UIPCMAIN", IpcHandshakeFailed},
        {0x19980005, 0xFADF0006, "FS98MAIN", IpcHandshakeFailedFallback},
        {0x19980005, 0x0000FADE, "UIPCMAIN", IpcHandshakeFailed},
    };
    for (const Case& c : cases) {
        fake::FakeOs fresh;
        fresh.peerClass = c.windowClass;
        fresh.peer.Set(0x3304, 4, c.version);
        fresh.peer.Set(0x3308, 4, c.id);
        Link l{fresh};
        std::int32_t result = -1;
        EXPECT_EQ(l.IpcOpen(0, result), c.expected == IpcOk)
            << std::hex << c.version << " " << c.id;
        EXPECT_EQ(result, c.expected) << std::hex << c.version << " " << c.id;
        EXPECT_EQ(l.IsOpen(), c.expected == IpcOk);
        if (c.expected != IpcOk) {
            EXPECT_TRUE(fresh.atomsLive().empty());
        }
    }
}

TEST_F(Open, ValuesLeftZeroTakeFiveAttemptsThenFail)
{
    os.peer.Set(0x3304, 4, 0);
    os.peer.Set(0x3308, 4, 0);
    EXPECT_EQ(OpenLink().result, IpcHandshakeFailed);
    EXPECT_EQ(os.peer.exchanges.size(), 5u);
    EXPECT_EQ(os.sleeps, std::vector<std::uint32_t>(5, 100));
    ExpectNothingHeld();

    os.peerClass = "FS98MAIN";
    EXPECT_EQ(OpenLink().result, IpcHandshakeFailedFallback);
}

TEST_F(Open, OneValueLeftZeroStillTakesFiveAttempts)
{
    os.peer.Set(0x3308, 4, 0);
    EXPECT_EQ(OpenLink().result, IpcHandshakeFailed);
    EXPECT_EQ(os.peer.exchanges.size(), 5u);
}

TEST_F(Open, TheRequestedSimulatorMustMatch)
{
    EXPECT_EQ(OpenLink(6).result, IpcOk);
    link.IpcClose();

    const Opened wrong = OpenLink(5);
    EXPECT_FALSE(wrong.ok);
    EXPECT_EQ(wrong.result, IpcOtherSimulator);
    ExpectNothingHeld();
}

TEST_F(Open, AnExchangeFailureDuringTheHandshakePassesItsCodeThrough)
{
    os.peer.answer = 0;
    EXPECT_EQ(OpenLink().result, IpcBadReplyValue);
    ExpectNothingHeld();

    os.peer.answer = 1;
    os.failSends = -1;
    EXPECT_EQ(OpenLink().result, IpcSendError);
    ExpectNothingHeld();

    os.sendError = 0;
    EXPECT_EQ(OpenLink().result, IpcSendGaveUp);
}

TEST_F(Open, CloseReleasesAtomViewSectionInThatOrder)
{
    ASSERT_TRUE(OpenLink().ok);
    os.resourceLog.clear();
    link.IpcClose();
    EXPECT_EQ(os.resourceLog, (std::vector<std::string>{"atom-", "view-", "section-"}));
    ExpectNothingHeld();

    link.IpcClose(); // harmless on a closed link
    EXPECT_EQ(os.resourceLog.size(), 3u);
}

TEST_F(Open, ReopeningUsesTheSameName)
{
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(OpenLink().ok) << i;
        link.IpcClose();
    }
    ExpectNothingHeld();
}

TEST_F(Open, ClearStateForgetsWithoutReleasing)
{
    ASSERT_TRUE(OpenLink().ok);
    link.IpcClearState();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(os.viewsLive(), 1); // still mapped: nobody released it
}

} // namespace
