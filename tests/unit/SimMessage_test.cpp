#include "ShutdownRig.h"

#include <gtest/gtest.h>

namespace shutdown::testing {
namespace {

// The text field as it went to the simulator, all 128 bytes of it.
std::string SentField(const Rig& rig)
{
    const fake::Exchange& exchange = rig.os.peer.exchanges.at(0);
    const fake::Record& text = exchange.at(0);
    EXPECT_EQ(text.offset, 0x3380u);
    EXPECT_EQ(text.size, 128u);
    return std::string(text.data.begin(), text.data.end());
}

TEST(SimMessage, TextThenValueInOneExchange)
{
    Rig rig;
    ShowSimMessage(rig.link, "Complete");

    ASSERT_EQ(rig.os.peer.exchanges.size(), 1u);
    const fake::Exchange& exchange = rig.os.peer.exchanges[0];
    ASSERT_EQ(exchange.size(), 2u);
    EXPECT_EQ(SentField(rig), "Shutdown:  Complete" + std::string(109, '\0'));
    EXPECT_EQ(exchange[1].type, expect::wire::kRecordWrite);
    EXPECT_EQ(exchange[1].offset, 0x32FAu);
    EXPECT_EQ(exchange[1].data, (std::vector<std::uint8_t>{5, 0}));
}

TEST(SimMessage, FieldIsFilledToTheEdgeAndNoFurther)
{
    struct Case {
        std::size_t textLength;
        std::string field;
    };
    const std::string prefix = "Shutdown:  ";
    const Case cases[] = {
        {0, prefix + std::string(117, '\0')},
        {116, prefix + std::string(116, 'x') + '\0'}, // the last byte is the zero
        {117, prefix + std::string(117, 'x')},        // no room for a zero
        {300, prefix + std::string(117, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.textLength);
        Rig rig;
        ShowSimMessage(rig.link, std::string(c.textLength, 'x'));
        EXPECT_EQ(SentField(rig), c.field);
        EXPECT_EQ(rig.os.peer.exchanges[0].size(), 2u);
    }
}

TEST(SimMessage, ClosedLinkSendsNothing)
{
    Rig rig;
    rig.link.IpcClose();
    ShowSimMessage(rig.link, "Complete");
    EXPECT_EQ(rig.os.sends, 0);
    EXPECT_FALSE(rig.link.IsOpen());
}

} // namespace
} // namespace shutdown::testing
