// Everything the link acquires is given back exactly once, in the order the
// close requires (atom, view, section), whatever way an open ends. The program
// reopens the link once a second for as long as the simulator is away, so a
// handle lost on one failure path is lost 3,600 times an hour.
#include "fake/FakeOs.h"
#include "simlink/Connection.h"
#include "simlink/Link.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace simlink;

enum class Kind { Atom, View, Section };

struct Event {
    Kind kind;
    bool acquired;
    std::uintptr_t id;
};

const char* Name(Kind kind)
{
    switch (kind) {
    case Kind::Atom:
        return "atom";
    case Kind::View:
        return "view";
    case Kind::Section:
        return "section";
    }
    return "?";
}

std::uintptr_t Id(const void* p)
{
    return reinterpret_cast<std::uintptr_t>(p);
}

// The fake platform with a ledger of what it really handed out (a call that
// fails hands out nothing) and of everything given back, with its identity.
class LedgerOs : public fake::FakeOs {
  public:
    os::Atom GlobalAddAtomA(const char* name) override
    {
        const os::Atom atom = FakeOs::GlobalAddAtomA(name);
        if (atom != 0)
            events.push_back({Kind::Atom, true, atom});
        return atom;
    }
    os::Atom GlobalDeleteAtom(os::Atom atom) override
    {
        events.push_back({Kind::Atom, false, atom});
        return FakeOs::GlobalDeleteAtom(atom);
    }
    os::Handle CreateFileMappingA(std::uint32_t size, const char* name) override
    {
        // A handle to a section that existed already is a handle all the same.
        os::Handle section = FakeOs::CreateFileMappingA(size, name);
        if (section != nullptr)
            events.push_back({Kind::Section, true, Id(section)});
        return section;
    }
    void* MapViewOfFile(os::Handle section) override
    {
        void* view = FakeOs::MapViewOfFile(section);
        if (view != nullptr)
            events.push_back({Kind::View, true, Id(view)});
        return view;
    }
    bool UnmapViewOfFile(void* view) override
    {
        events.push_back({Kind::View, false, Id(view)});
        return FakeOs::UnmapViewOfFile(view);
    }
    bool CloseHandle(os::Handle handle) override
    {
        events.push_back({Kind::Section, false, Id(handle)});
        return FakeOs::CloseHandle(handle);
    }

    // A section left by an earlier run of the program under our name; gone
    // again with Untake, without a trace in the ledger.
    void Take(const std::string& name) { TakeSectionName(name); }
    void Untake(const std::string& name)
    {
        os::Handle leftover = FakeOs::CreateFileMappingA(expect::wire::kBlockSize, name.c_str());
        FakeOs::CloseHandle(leftover);
        FakeOs::CloseHandle(leftover);
    }

    std::vector<Event> events;
};

// Checks the ledger from `from` on, given what was held before; returns what
// is held afterwards, or reports the first fault it finds. Releases between
// two acquisitions belong to one close, and a close goes atom, view, section.
std::vector<Event> Audit(const std::vector<Event>& events, std::size_t from,
                         std::vector<Event> held, std::string& fault)
{
    int lastReleased = -1;
    for (std::size_t i = from; i < events.size() && fault.empty(); ++i) {
        const Event& e = events[i];
        if (e.acquired) {
            held.push_back(e);
            lastReleased = -1;
            continue;
        }
        std::size_t match = 0;
        while (match < held.size() && (held[match].kind != e.kind || held[match].id != e.id))
            ++match;
        if (match == held.size())
            fault = std::string("released a ") + Name(e.kind) + " it did not hold (event " +
                    std::to_string(i) + ")";
        else if (static_cast<int>(e.kind) <= lastReleased)
            fault = std::string(Name(e.kind)) + " released out of order (event " +
                    std::to_string(i) + ")";
        else
            held.erase(held.begin() + static_cast<std::ptrdiff_t>(match));
        lastReleased = static_cast<int>(e.kind);
    }
    return held;
}

// Every way an open can end, each set up on a fresh world.
enum class Ending {
    Opened,
    NoWindow,
    NoMessageId,
    NoAtom,
    NoMapping,
    NameTaken,
    NoView,
    PeerAnswersZero,
    SendsFail,
    VersionTooLow,
    ValuesStayZero,
    CorruptReply,
    ReplyPastTheBlock,
    OtherSimulator,
    Count
};

struct World {
    LedgerOs os;
    Link link{os};
};

// Switches the fault on and returns the simulator to ask for.
std::uint32_t Arrange(World& w, Ending ending)
{
    w.os.peerClass = ending == Ending::NoWindow ? "" : "UIPCMAIN";
    w.os.failRegister = ending == Ending::NoMessageId;
    w.os.failAtom = ending == Ending::NoAtom;
    w.os.failMapping = ending == Ending::NoMapping;
    w.os.failView = ending == Ending::NoView;
    w.os.peer.answer = ending == Ending::PeerAnswersZero ? 0 : expect::wire::kReplyDone;
    w.os.failSends = ending == Ending::SendsFail ? -1 : 0;
    w.os.peer.Set(expect::wire::kOffsetVersion, 4,
                  ending == Ending::VersionTooLow ? 0x19980004 : 0x19980005);
    w.os.peer.Set(expect::wire::kOffsetSimulatorId, 4,
                  ending == Ending::ValuesStayZero ? 0 : 0xFADE0006);
    w.os.peer.corruptFirstType = ending == Ending::CorruptReply ? 0xBAD1 : 0;
    w.os.peer.enlargeFirstSize = ending == Ending::ReplyPastTheBlock ? expect::wire::kBlockSize : 0;
    if (ending == Ending::NameTaken)
        w.os.Take(expect::wire::SectionName(w.os.processId));
    return ending == Ending::OtherSimulator ? 5 : 0;
}

void Disarm(World& w, Ending ending)
{
    if (ending == Ending::NameTaken)
        w.os.Untake(expect::wire::SectionName(w.os.processId));
}

// A small generator of our own, so that every run and every platform walks
// the same sequence.
struct Sequence {
    std::uint32_t state;
    std::uint32_t Next(std::uint32_t bound)
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    }
};

TEST(Release, EveryEndingOfAnOpenGivesBackWhatItTookInCloseOrder)
{
    World w;
    Sequence random{20240601};
    std::vector<Event> held;
    int opened = 0;
    for (int cycle = 0; cycle < 3000; ++cycle) {
        const auto ending =
            static_cast<Ending>(random.Next(static_cast<std::uint32_t>(Ending::Count)));
        SCOPED_TRACE(testing::Message()
                     << "cycle " << cycle << ", ending " << static_cast<int>(ending));
        const std::uint32_t requested = Arrange(w, ending);
        const std::size_t from = w.os.events.size();

        std::int32_t result = -1;
        const bool ok = w.link.IpcOpen(requested, result);
        ASSERT_EQ(ok, ending == Ending::Opened) << "result " << result;
        if (ok) {
            ++opened;
            // An open link is left alone by a second open, and a close twice
            // over gives back nothing the second time.
            ASSERT_FALSE(w.link.IpcOpen(0, result));
            ASSERT_EQ(result, IpcAlreadyOpen);
        }
        std::string fault;
        held = Audit(w.os.events, from, held, fault);
        ASSERT_EQ(fault, "");
        ASSERT_EQ(held.size(), ok ? 3u : 0u) << "what an open holds: an atom, a section, a view";

        const std::size_t closing = w.os.events.size();
        w.link.IpcClose();
        w.link.IpcClose();
        w.link.IpcClearState();
        held = Audit(w.os.events, closing, held, fault);
        ASSERT_EQ(fault, "");
        ASSERT_TRUE(held.empty());
        Disarm(w, ending);
    }
    EXPECT_GT(opened, 100);
    EXPECT_TRUE(w.os.atomsLive().empty());
    EXPECT_EQ(w.os.sectionsLive(), 0);
    EXPECT_EQ(w.os.viewsLive(), 0);
}

// The way the window keeps the link: a tick reopens it while it is down, a
// run that finds it broken marks it down. Whatever the simulator does in
// between, the program holds exactly one link's resources while it is up and
// none while it is down.
TEST(Release, KeepingTheLinkOverAnAfternoonOfTicksLeaksNothing)
{
    World w;
    simlink::Connection connection{w.link};
    Sequence random{7};
    std::vector<Event> held;
    int reopened = 0;
    for (int tick = 0; tick < 5000; ++tick) {
        SCOPED_TRACE(testing::Message() << "tick " << tick);
        // Half the ticks find a healthy simulator, the rest one of the faults.
        auto ending =
            random.Next(2) == 0
                ? Ending::Opened
                : static_cast<Ending>(random.Next(static_cast<std::uint32_t>(Ending::Count)));
        // The window never asks for a particular simulator, and our own open
        // link is what holds our name while the link is up.
        if (ending == Ending::OtherSimulator ||
            (ending == Ending::NameTaken && connection.Connected()))
            ending = Ending::Opened;
        Arrange(w, ending);
        const std::size_t from = w.os.events.size();

        if (!connection.Connected()) {
            connection.TryConnect();
            reopened += connection.Connected() ? 1 : 0;
        }
        // Now and then a run finds the link broken at its first exchange.
        if (connection.Connected() && random.Next(4) == 0)
            connection.MarkDisconnected();

        std::string fault;
        held = Audit(w.os.events, from, held, fault);
        ASSERT_EQ(fault, "");
        ASSERT_EQ(held.size(), w.link.IsOpen() ? 3u : 0u);
        Disarm(w, ending);
    }
    EXPECT_GT(reopened, 500);
    w.link.IpcClose();
    EXPECT_TRUE(w.os.atomsLive().empty());
    EXPECT_EQ(w.os.sectionsLive(), 0);
    EXPECT_EQ(w.os.viewsLive(), 0);
}

} // namespace
