#include "simlink/IpcResult.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(IpcResult, EverySixteenCodesHasItsOwnName)
{
    std::set<std::string> names;
    for (int code = 0; code < simlink::kIpcResultCount; ++code) {
        ASSERT_NE(simlink::IpcResultName(code), nullptr) << code;
        names.insert(simlink::IpcResultName(code));
    }
    EXPECT_EQ(names.size(), 16u);
    EXPECT_STREQ(simlink::IpcResultName(0), "IpcOk");
    EXPECT_STREQ(simlink::IpcResultName(14), "IpcHandshakeFailedFallback");
    EXPECT_STREQ(simlink::IpcResultName(15), "IpcBlockFull");
    EXPECT_EQ(simlink::IpcResultName(16), nullptr);
    EXPECT_EQ(simlink::IpcResultName(-1), nullptr);
}

} // namespace
