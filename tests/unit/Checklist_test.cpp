// The one place where the program's checklist meets the tests' own copy: every
// other test works out its expectations from the copy alone.
#include "expect/SimVariables.h"
#include "shutdown/Checklist.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Checklist, MatchesTheReferenceTableRowByRow)
{
    ASSERT_EQ(shutdown::Checklist.size(), expect::kChecklist.size());
    for (std::size_t i = 0; i < expect::kChecklist.size(); ++i) {
        const shutdown::ShutdownStep& ours = shutdown::Checklist[i];
        const expect::Row& reference = expect::kChecklist[i];
        SCOPED_TRACE("row " + std::to_string(i + 1) + " \"" + reference.label + "\"");
        EXPECT_EQ(std::string(ours.label), reference.label);
        EXPECT_EQ(ours.offset, reference.offset)
            << std::hex << std::showbase << "program " << ours.offset << ", reference "
            << reference.offset;
        EXPECT_EQ(ours.size, reference.size);
        EXPECT_EQ(ours.engine, reference.engine);
    }
    EXPECT_EQ(static_cast<std::uint32_t>(shutdown::kParkingBrakeSetValue), expect::kBrakeSet);
}

} // namespace
