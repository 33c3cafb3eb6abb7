#include "app/HotkeyList.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

using app::Hotkey;
using app::RestoreHotkeyControls;

TEST(HotkeyList, HoldsNoneThenDigitsThenLettersUnsorted)
{
    ASSERT_EQ(app::kHotkeyListSize, 37);
    EXPECT_EQ(app::HotkeyListEntry(0), "None");
    EXPECT_EQ(app::HotkeyListEntry(1), "0");
    EXPECT_EQ(app::HotkeyListEntry(10), "9");
    EXPECT_EQ(app::HotkeyListEntry(11), "A");
    EXPECT_EQ(app::HotkeyListEntry(36), "Z");
    // Each entry's character code is the key code it selects.
    for (int i = 1; i < app::kHotkeyListSize; ++i)
        EXPECT_EQ(app::HotkeyListIndex(app::HotkeyListEntry(i)[0]), i);
}

TEST(HotkeyList, HasNoEntryForKeysOutsideDigitsAndCapitals)
{
    for (std::int32_t key : std::initializer_list<std::int32_t>{
             'a', 'z', '/', ':', '@', '[', 0x60 /* keypad 0 */, 0x70 /* F1 */, -1, 256 + 'S'})
        EXPECT_EQ(app::HotkeyListIndex(key), -1) << key;
}

struct Restored {
    int selection;
    bool ctrl, shift;
    std::int32_t keyAfter, modifiersAfter;
};

Restored Restore(std::int32_t key, std::int32_t modifiers)
{
    Hotkey hotkey{key, modifiers};
    const app::RestoredControls shown = RestoreHotkeyControls(hotkey);
    return {shown.selection, shown.ctrl, shown.shift, hotkey.HotkeyKey, hotkey.HotkeyModifiers};
}

TEST(RestoreHotkeyControls, ShowsTheStoredCodesWithoutRewritingThem)
{
    const Restored ctrlShiftS = Restore(83, 3);
    EXPECT_EQ(app::HotkeyListEntry(ctrlShiftS.selection), "S");
    EXPECT_TRUE(ctrlShiftS.ctrl);
    EXPECT_TRUE(ctrlShiftS.shift);
    EXPECT_EQ(ctrlShiftS.keyAfter, 83);
    EXPECT_EQ(ctrlShiftS.modifiersAfter, 3);

    // A modifier without a key shows the box, and no hotkey is active.
    const Restored ctrlOnly = Restore(0, 1);
    EXPECT_EQ(ctrlOnly.selection, 0);
    EXPECT_TRUE(ctrlOnly.ctrl);
    EXPECT_FALSE(ctrlOnly.shift);
    EXPECT_EQ(ctrlOnly.modifiersAfter, 1);

    const Restored shiftFive = Restore('5', 2);
    EXPECT_EQ(app::HotkeyListEntry(shiftFive.selection), "5");
    EXPECT_FALSE(shiftFive.ctrl);
    EXPECT_TRUE(shiftFive.shift);
}

TEST(RestoreHotkeyControls, TicksNothingForAnUnknownModifierCodeButKeepsIt)
{
    for (std::int32_t code : {7, 4, -1, 0}) {
        const Restored r = Restore(65, code);
        EXPECT_EQ(app::HotkeyListEntry(r.selection), "A");
        EXPECT_FALSE(r.ctrl) << code;
        EXPECT_FALSE(r.shift) << code;
        EXPECT_EQ(r.modifiersAfter, code);
    }
}

TEST(RestoreHotkeyControls, DropsAKeyTheListCannotShow)
{
    // "None" on screen while a lower-case or function-key code stayed active
    // would be a hotkey the user cannot see or switch off.
    for (std::int32_t key : std::initializer_list<std::int32_t>{'s', 0x70, -5}) {
        const Restored r = Restore(key, 3);
        EXPECT_EQ(r.selection, 0) << key;
        EXPECT_EQ(r.keyAfter, 0) << key;
        EXPECT_EQ(r.modifiersAfter, 3) << key;
        EXPECT_TRUE(r.ctrl);
        EXPECT_TRUE(r.shift);
    }
}

} // namespace
