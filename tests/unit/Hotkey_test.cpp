#include "app/Hotkey.h"
#include "fake/FakeOs.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using app::kVkControl;
using app::kVkShift;

constexpr std::int32_t kS = 'S';
constexpr std::int32_t kVkMenu = 0x12; // ALT
constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);
constexpr std::int16_t kPressedEarlier = 1; // released again before the tick

// Polls once with S held and the given modifier states; true when it fired.
bool FiresWith(fake::FakeOs& os, std::int32_t modifiers, std::int16_t shift, std::int16_t ctrl)
{
    os.keys = {{kS, kDown}, {kVkShift, shift}, {kVkControl, ctrl}};
    int fired = 0;
    app::PollHotkey(os, app::Hotkey{kS, modifiers}, [&] { ++fired; });
    return fired == 1;
}

TEST(PollHotkey, EachModifierCodeWantsItsOwnCombination)
{
    struct Row {
        std::int32_t code;
        bool wantShift, wantCtrl;
        std::vector<std::int32_t> order;
    };
    const Row rows[] = {
        {0, false, false, {kS, kVkShift, kVkControl}},
        {1, false, true, {kS, kVkShift, kVkControl}},
        {2, true, false, {kS, kVkControl, kVkShift}},
        {3, true, true, {kS, kVkShift, kVkControl}},
        {7, false, false, {kS, kVkShift, kVkControl}}, // unknown codes act as 0
        {-1, false, false, {kS, kVkShift, kVkControl}},
    };
    for (const Row& row : rows) {
        for (const bool shift : {false, true}) {
            for (const bool ctrl : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << "code " << row.code << " shift " << shift << " ctrl " << ctrl);
                fake::FakeOs os;
                const bool fired = FiresWith(os, row.code, shift ? kDown : 0, ctrl ? kDown : 0);
                EXPECT_EQ(fired, shift == row.wantShift && ctrl == row.wantCtrl);
                // Both modifier queries are made even when the first already fails.
                EXPECT_EQ(os.keyQueries, row.order);
            }
        }
    }
}

TEST(PollHotkey, AModifierPressedSinceTheLastQueryIsNotClear)
{
    fake::FakeOs os;
    EXPECT_FALSE(FiresWith(os, 0, kPressedEarlier, 0)); // S alone, SHIFT just tapped
    EXPECT_FALSE(FiresWith(os, 0, 0, kPressedEarlier));
    EXPECT_FALSE(FiresWith(os, 1, kPressedEarlier, kDown)); // CTRL+S, SHIFT just tapped
    // A held modifier whose press is still reported counts as down.
    EXPECT_TRUE(FiresWith(os, 3, kDown | kPressedEarlier, kDown | kPressedEarlier));
}

TEST(PollHotkey, AltIsNeverLookedAt)
{
    fake::FakeOs os;
    os.keys = {{kS, kDown}, {kVkControl, kDown}, {kVkMenu, kDown}};
    int fired = 0;
    app::PollHotkey(os, app::Hotkey{kS, 1}, [&] { ++fired; });
    EXPECT_EQ(fired, 1);
}

TEST(PollHotkey, QueriesOnlyWhatItNeeds)
{
    fake::FakeOs os;
    int fired = 0;
    const auto click = [&] { ++fired; };

    os.keys = {{kVkShift, kDown}};
    app::PollHotkey(os, app::Hotkey{0, 3}, click);
    EXPECT_TRUE(os.keyQueries.empty());

    // The key was pressed and released between ticks: not down, so not a hit.
    os.keys = {{kS, kPressedEarlier}};
    app::PollHotkey(os, app::Hotkey{kS, 0}, click);
    EXPECT_EQ(os.keyQueries, std::vector<std::int32_t>{kS});
    EXPECT_EQ(fired, 0);
}

TEST(PollHotkey, AHeldCombinationFiresAtEveryTick)
{
    fake::FakeOs os;
    os.keys = {{kS, kDown}};
    int fired = 0;
    for (int tick = 0; tick < 3; ++tick)
        app::PollHotkey(os, app::Hotkey{kS, 0}, [&] { ++fired; });
    EXPECT_EQ(fired, 3);
}

app::Hotkey Updated(app::HotkeyControls controls, app::Hotkey start = {65, 7})
{
    app::UpdateHotkey(start, controls);
    return start;
}

TEST(UpdateHotkey, ComputesTheCodesFromTheControls)
{
    constexpr app::CheckState Off = app::CheckState::Unchecked;
    constexpr app::CheckState On = app::CheckState::Checked;
    constexpr app::CheckState Grey = app::CheckState::Greyed;
    const auto codes = [](const app::Hotkey& h) {
        return std::pair{h.HotkeyKey, h.HotkeyModifiers};
    };
    EXPECT_EQ(codes(Updated({true, "S", Off, Off})), std::pair(83, 0));
    EXPECT_EQ(codes(Updated({true, "S", On, Off})), std::pair(83, 1));
    EXPECT_EQ(codes(Updated({true, "S", Off, On})), std::pair(83, 2));
    EXPECT_EQ(codes(Updated({true, "S", On, On})), std::pair(83, 3));
    EXPECT_EQ(codes(Updated({true, "5", Off, Off})), std::pair(53, 0));
    // A greyed box is not a chosen modifier.
    EXPECT_EQ(codes(Updated({true, "S", Grey, Grey})), std::pair(83, 0));
    // No key means no modifiers either, whatever the boxes show.
    EXPECT_EQ(codes(Updated({true, "None", On, On})), std::pair(0, 0));
    EXPECT_EQ(codes(Updated({true, "", On, Off})), std::pair(0, 0));
    // While the window is loading, restoring the controls changes nothing.
    EXPECT_EQ(codes(Updated({false, "S", On, On})), std::pair(65, 7));
    EXPECT_EQ(codes(Updated({false, "None", Off, Off})), std::pair(65, 7));
}

} // namespace
