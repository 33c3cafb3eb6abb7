// A link opened against the fake OS, with the handshake's own traffic cleared
// so that tests see only what they do themselves.
#pragma once

#include "fake/FakeOs.h"
#include "simlink/Link.h"

#include <gtest/gtest.h>

class OpenLink : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::int32_t result = -1;
        ASSERT_TRUE(link.IpcOpen(0, result));
        ASSERT_EQ(result, simlink::IpcOk);
        os.peer.exchanges.clear();
        os.sleeps.clear();
        os.sends = 0;
    }

    // What the block holds queued, from the link's own write position.
    std::uint32_t Queued() const
    {
        return static_cast<std::uint32_t>(link.State().writePosition - link.State().viewStart);
    }

    fake::FakeOs os;
    simlink::Link link{os};
};
