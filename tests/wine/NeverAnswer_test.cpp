// A simulator that takes every message and never answers it: the one fault
// that costs a whole exchange's patience, about 86 s, so it has a test
// executable of its own and runs in one build only.
#include "wine/FaultChecks.h"

#include <gtest/gtest.h>

#include <optional>

namespace wine::faults {
namespace {

// 41 sends, each waiting its full 2 s, and the 40 pauses between them.
constexpr long long kNeverAnswerMs = 41 * 2000 + 40 * 100;

TEST(Faults, APeerThatNeverAnswersHoldsTheRunForOneExchangeThenLetsGo)
{
    std::optional<StandInProcess> sim(std::in_place,
                                      "--scenario cold-and-dark --fault never-answer:2");
    ASSERT_TRUE(sim->Started());
    ProductProcess app(kSettings);
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(WaitForHandshakes(*sim, 1));

    const Clock::time_point clicked = Clock::now();
    ASSERT_TRUE(app.ClickStart());
    // The run's worker waits out each send for its whole 2 s until the
    // exchange gives up; the window answers all the while.
    ASSERT_TRUE(WaitFor([&] { return app.RunUnderWay(); }, 10000)) << "the run did not start";
    EXPECT_TRUE(app.Responsive(1000)) << "the window waited on the simulator";
    ASSERT_TRUE(app.WaitUntilHandled(kNeverAnswerMs + 30000)) << "the run never ended";
    const long long held = MsSince(clicked);
    std::printf("[ figures  ] opening exchange against a silent peer gave up after %lld ms (%lld "
                "expected)\n",
                held, kNeverAnswerMs);
    EXPECT_GE(held, kNeverAnswerMs - 1000);
    EXPECT_LE(held, kNeverAnswerMs + 15000);

    // Closed at once, the stand-in lets go of what it still holds, so the
    // next tick's reopen is refused instead of waiting out another 86 s.
    sim.reset();
    EXPECT_TRUE(app.Responsive(15000));
    EXPECT_EQ(app.ShownMessageBox(), nullptr) << "a failed opening exchange is not reported";

    sim.emplace("--scenario cold-and-dark");
    ASSERT_TRUE(sim->Started());
    ASSERT_TRUE(WaitForHandshakes(*sim, 1)) << "the link was not reopened";
    ExpectRunCompletes(app, *sim);
    ExpectUnharmed(app);
}

} // namespace
} // namespace wine::faults
