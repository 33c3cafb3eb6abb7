// The stand-in itself under Wine: hostile blocks sent by hand, its fault
// modes, and that it always ends when asked or when its lifetime is over.
#include "expect/Wire.h"
#include "os/Os_win.h"
#include "simlink/Link.h"
#include "wine/StandInProcess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace simlink;

// A request block of our own, so that any bytes at all can be sent.
class RawBlock {
  public:
    explicit RawBlock(const std::string& name)
    {
        atom_ = GlobalAddAtomA(name.c_str());
        section_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBlockSize,
                                      name.c_str());
        if (section_ != nullptr)
            view_ = static_cast<std::uint8_t*>(MapViewOfFile(section_, FILE_MAP_WRITE, 0, 0, 0));
    }
    ~RawBlock()
    {
        if (view_ != nullptr)
            UnmapViewOfFile(view_);
        if (section_ != nullptr)
            CloseHandle(section_);
        if (atom_ != 0)
            GlobalDeleteAtom(atom_);
    }
    RawBlock(const RawBlock&) = delete;
    RawBlock& operator=(const RawBlock&) = delete;

    bool Ready() const { return view_ != nullptr; }
    std::uint8_t* Data() { return view_; }
    void Put(std::uint32_t at, std::uint32_t value) { std::memcpy(view_ + at, &value, 4); }
    std::uint32_t Get(std::uint32_t at) const
    {
        std::uint32_t value = 0;
        std::memcpy(&value, view_ + at, 4);
        return value;
    }

    // Sends the block as the client does; false when the send failed.
    bool Send(HWND window, LRESULT& reply, UINT timeoutMs = kSendTimeoutMs, WPARAM atom = 0)
    {
        const WPARAM wParam =
            atom != 0 ? atom : static_cast<WPARAM>(static_cast<INT_PTR>(static_cast<SHORT>(atom_)));
        DWORD_PTR answer = 0xDEAD;
        const bool sent = SendMessageTimeoutA(window, RegisterWindowMessageA(kMessageName), wParam,
                                              0, SMTO_BLOCK, timeoutMs, &answer) != 0;
        reply = static_cast<LRESULT>(answer);
        return sent;
    }

  private:
    ATOM atom_ = 0;
    HANDLE section_ = nullptr;
    std::uint8_t* view_ = nullptr;
};

// A name the stand-in maps: a link section's, for a process id that is not
// ours, so that it cannot collide with a link this test opens.
std::string LinkName(std::uint32_t n)
{
    return expect::wire::SectionName(0xFFFFFF00u + n);
}

TEST(StandIn, RefusesMalformedBatchesAndKeepsServing)
{
    wine::StandInProcess sim("--scenario cold-and-dark");
    ASSERT_TRUE(sim.Started());
    RawBlock block(LinkName(1));
    ASSERT_TRUE(block.Ready());
    LRESULT reply = -1;

    // An unknown record type: refused, and the block is left as it was.
    block.Put(0, 7);
    block.Put(4, 0x0BC8);
    block.Put(8, 2);
    block.Put(12, 0);
    ASSERT_TRUE(block.Send(sim.Window(), reply));
    EXPECT_EQ(reply, 0);
    EXPECT_EQ(block.Get(0), 7u);

    // A read whose range passes the 64 KiB variable space.
    block.Put(0, kRecordRead);
    block.Put(4, 0xFFFF);
    ASSERT_TRUE(block.Send(sim.Window(), reply));
    EXPECT_EQ(reply, 0);

    // A record that runs past the usable part of the block.
    block.Put(4, 0x0BC8);
    block.Put(8, kBlockLimit);
    ASSERT_TRUE(block.Send(sim.Window(), reply));
    EXPECT_EQ(reply, 0);

    // Atoms that name no link section.
    const ATOM foreign = GlobalAddAtomA("SomebodyElsesSection");
    ASSERT_TRUE(block.Send(sim.Window(), reply, kSendTimeoutMs, foreign));
    EXPECT_EQ(reply, 0);
    GlobalDeleteAtom(foreign);
    ASSERT_TRUE(block.Send(sim.Window(), reply, kSendTimeoutMs, 5));
    EXPECT_EQ(reply, 0);

    // And then a good batch is carried out as ever.
    block.Put(8, 2);
    block.Put(12, 0x77);
    block.Put(16, 0);
    block.Put(18, kRecordEnd);
    ASSERT_TRUE(block.Send(sim.Window(), reply));
    EXPECT_EQ(reply, 1);
    EXPECT_EQ(block.Get(0), kRecordRead);
    EXPECT_EQ(block.Get(4), 0x0BC8u);
    EXPECT_EQ(block.Get(8), 2u);
    EXPECT_EQ(block.Get(12), 0x77u) << "the destination comes back unchanged";
    EXPECT_EQ(block.Get(16) & 0xFFFF, 32767u);
    EXPECT_EQ(block.Get(18), 0u) << "the terminator stays";

    const std::vector<wine::JournalLine> journal = sim.Journal();
    ASSERT_EQ(journal.size(), 1u) << "refused batches are not journalled";
    EXPECT_EQ(journal[0].exchange, 6) << "but they are counted";
}

TEST(StandIn, NeverAnswerOutwaitsTheClientYetClosesWhenAsked)
{
    wine::StandInProcess sim("--fault never-answer");
    ASSERT_TRUE(sim.Started());
    RawBlock block(LinkName(2));
    ASSERT_TRUE(block.Ready());
    block.Put(0, kRecordEnd);
    LRESULT reply = -1;
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(block.Send(sim.Window(), reply, 500));
    EXPECT_GE(GetTickCount64() - start, 450u);

    // Still holding the message: a close must end it all the same.
    PostMessageA(sim.Window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(sim.WaitForExit(5000), 0);
}

TEST(StandIn, DelayAnswersLate)
{
    wine::StandInProcess sim("--fault delay:300");
    ASSERT_TRUE(sim.Started());
    RawBlock block(LinkName(3));
    ASSERT_TRUE(block.Ready());
    block.Put(0, kRecordEnd);
    LRESULT reply = -1;
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(block.Send(sim.Window(), reply));
    EXPECT_EQ(reply, 1);
    EXPECT_GE(GetTickCount64() - start, 290u);
}

TEST(StandIn, StopAfterAnswersZeroFromThenOn)
{
    os::Win32Os os;
    Link link(os);
    wine::StandInProcess sim("--fault stop-after:1");
    ASSERT_TRUE(sim.Started());
    std::int32_t result = -1;
    ASSERT_TRUE(link.IpcOpen(0, result));
    std::uint32_t value = 0;
    ASSERT_TRUE(link.IpcRead(kOffsetOnGround, 2, &value, result));
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcBadReplyValue);
    link.IpcClose();
}

TEST(StandIn, DestroyAfterLeavesTheProcessWithoutAWindow)
{
    os::Win32Os os;
    Link link(os);
    wine::StandInProcess sim("--fault destroy-after:1");
    ASSERT_TRUE(sim.Started());
    std::int32_t result = -1;
    ASSERT_TRUE(link.IpcOpen(0, result))
        << "the handshake is exchange 1, answered before the window goes";
    link.IpcClose();
    EXPECT_FALSE(IsWindow(sim.Window()));
    EXPECT_TRUE(sim.Running());
    sim.Stop();
    EXPECT_FALSE(sim.Running());
}

TEST(StandIn, EndsWithItsLifetime)
{
    wine::StandInProcess sim("--lifetime 0.5 --fault destroy-after:1");
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.WaitForExit(10000), 0);
}

TEST(StandIn, BadArgumentsEndItWithAnError)
{
    for (const char* arguments :
         {"--fault explode", "--class NOTASIM", "--scenario no-such-file.txt"}) {
        wine::StandInProcess sim(arguments);
        EXPECT_FALSE(sim.Started()) << arguments;
        EXPECT_EQ(sim.WaitForExit(10000), 2) << arguments;
    }
}

} // namespace
