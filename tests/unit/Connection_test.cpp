#include "fake/FakeOs.h"
#include "simlink/Connection.h"

#include <gtest/gtest.h>

namespace {

TEST(TryConnect, OpensTheLinkAndMarksItUp)
{
    fake::FakeOs os;
    simlink::Link link{os};
    simlink::Connection connection{link};
    EXPECT_FALSE(connection.Connected());
    connection.TryConnect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_TRUE(link.IsOpen());
}

TEST(TryConnect, WhileConnectedChangesNothingAtAll)
{
    fake::FakeOs os;
    simlink::Link link{os};
    simlink::Connection connection{link};
    connection.TryConnect();
    os.resourceLog.clear();
    const int sends = os.sends;
    connection.TryConnect();
    EXPECT_TRUE(os.resourceLog.empty());
    EXPECT_EQ(os.sends, sends);
}

TEST(TryConnect, AfterALostLinkClosesTheOldOneAndReopens)
{
    fake::FakeOs os;
    simlink::Link link{os};
    simlink::Connection connection{link};
    connection.TryConnect();
    connection.MarkDisconnected();
    os.resourceLog.clear();
    connection.TryConnect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(os.resourceLog, (std::vector<std::string>{"atom-", "view-", "section-", "atom+",
                                                        "section+", "view+"}));
    EXPECT_EQ(os.atomsLive().size(), 1u);
    EXPECT_EQ(os.sectionsLive(), 1);
}

TEST(TryConnect, AFailedOpenLeavesItDownAndHoldsNothing)
{
    fake::FakeOs os;
    os.peerClass = "";
    simlink::Link link{os};
    simlink::Connection connection{link};
    connection.TryConnect();
    EXPECT_FALSE(connection.Connected());

    os.peerClass = "UIPCMAIN";
    os.peer.answer = 0;
    connection.TryConnect();
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(os.atomsLive().empty());

    os.peer.answer = 1;
    connection.TryConnect();
    EXPECT_TRUE(connection.Connected());
}

} // namespace
