#include "app/Help.h"
#include "fake/FakeOs.h"

#include <gtest/gtest.h>

namespace {

TEST(OpenHelp, OpensThePageBesideTheProgramWithTheWindowAsOwner)
{
    fake::FakeOs os;
    os.programDirectory = "C:\\Sim Tools\\Tollivane";
    int owner = 0;
    app::OpenHelp(os, &owner);

    ASSERT_EQ(os.shellCalls.size(), 1u);
    const fake::FakeOs::Shell& call = os.shellCalls[0];
    EXPECT_EQ(call.owner, &owner);
    EXPECT_EQ(call.verb, "open");
    EXPECT_EQ(call.file, "C:\\Sim Tools\\Tollivane\\Tollivane.htm");
    EXPECT_EQ(call.parameters, "");
    EXPECT_EQ(call.directory, "");
    EXPECT_EQ(call.show, 1);
    // Whatever the shell answers, the program shows nothing of its own.
    EXPECT_TRUE(os.messageBoxes.empty());
}

// Without the program directory the page's name alone would open whatever
// "\Tollivane.htm" lies at the root of the current drive.
TEST(OpenHelp, OpensNothingWithoutTheProgramDirectory)
{
    fake::FakeOs os;
    os.programDirectory.clear();
    app::OpenHelp(os, nullptr);
    EXPECT_TRUE(os.shellCalls.empty());
    EXPECT_TRUE(os.messageBoxes.empty());
}

} // namespace
