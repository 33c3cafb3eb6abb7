#include "app/Layout.h"

#include <gtest/gtest.h>

namespace {

using app::ControlId;
using app::ControlRect;
using app::PixelRect;
using app::PixelSize;

TEST(TwipsToPixels, RoundsHalfAwayFromZeroLikeMulDiv)
{
    EXPECT_EQ(app::TwipsToPixels(4065, 96), 271);
    EXPECT_EQ(app::TwipsToPixels(4065, 144), 407); // 406.5
    EXPECT_EQ(app::TwipsToPixels(855, 144), 86);   // 85.5
    EXPECT_EQ(app::TwipsToPixels(7, 96), 0);       // 0.47
    EXPECT_EQ(app::TwipsToPixels(8, 96), 1);       // 0.53
    EXPECT_EQ(app::TwipsToPixels(-8, 96), -1);
    EXPECT_EQ(app::TwipsToPixels(4065, 120), 339); // 338.75
}

TEST(FontHeight, IsNinePointsAsACharacterHeight)
{
    EXPECT_EQ(app::FontHeight(96), -12);
    EXPECT_EQ(app::FontHeight(120), -15);
    EXPECT_EQ(app::FontHeight(144), -18);
}

TEST(ClientSize, MatchesTheDesignAt96AndScalesAt144)
{
    EXPECT_EQ(app::ClientSize(96), (PixelSize{271, 128}));
    EXPECT_EQ(app::ClientSize(144), (PixelSize{407, 192}));
}

TEST(ControlRect, PlacesEveryControlAt96Dpi)
{
    EXPECT_EQ(ControlRect(ControlId::cmdShutdown, 96), (PixelRect{8, 8, 121, 49}));
    EXPECT_EQ(ControlRect(ControlId::cmdHelp, 96), (PixelRect{144, 8, 121, 49}));
    EXPECT_EQ(ControlRect(ControlId::frmFrame, 96), (PixelRect{8, 64, 257, 57}));
    // Inside the frame: its origin (8, 64) plus the control's own offset.
    EXPECT_EQ(ControlRect(ControlId::cboShutdown, 96), (PixelRect{40, 88, 65, 23}));
    EXPECT_EQ(ControlRect(ControlId::chkShutdownCTRL, 96), (PixelRect{120, 88, 57, 17}));
    EXPECT_EQ(ControlRect(ControlId::chkShutdownSHIFT, 96), (PixelRect{184, 88, 57, 17}));
}

TEST(ControlRect, ConvertsEachValueOnItsOwnAt144Dpi)
{
    // 1815 twips is 181.5 pixels: the buttons keep the same rounded width.
    EXPECT_EQ(ControlRect(ControlId::cmdShutdown, 144), (PixelRect{12, 12, 182, 74}));
    EXPECT_EQ(ControlRect(ControlId::cmdHelp, 144), (PixelRect{216, 12, 182, 74}));
    EXPECT_EQ(ControlRect(ControlId::frmFrame, 144), (PixelRect{12, 96, 386, 86}));
    EXPECT_EQ(ControlRect(ControlId::cboShutdown, 144), (PixelRect{60, 132, 98, 35}));
    EXPECT_EQ(ControlRect(ControlId::chkShutdownCTRL, 144), (PixelRect{180, 132, 86, 26}));
    EXPECT_EQ(ControlRect(ControlId::chkShutdownSHIFT, 144), (PixelRect{276, 132, 86, 26}));
}

TEST(ControlRect, EverythingStaysInsideTheClientAreaAndTheFrame)
{
    for (int dpi : {96, 120, 144, 192}) {
        const PixelSize client = app::ClientSize(dpi);
        const PixelRect frame = ControlRect(ControlId::frmFrame, dpi);
        for (const app::ControlLayout& control : app::kControls) {
            const PixelRect r = ControlRect(control, dpi);
            SCOPED_TRACE(testing::Message()
                         << "dpi " << dpi << ", id " << static_cast<int>(control.id));
            EXPECT_GE(r.left, 0);
            EXPECT_GE(r.top, 0);
            EXPECT_LE(r.left + r.width, client.width);
            EXPECT_LE(r.top + r.height, client.height);
            if (control.container == app::Container::Frame) {
                EXPECT_LE(r.left + r.width, frame.left + frame.width);
                EXPECT_LE(r.top + r.height, frame.top + frame.height);
            }
        }
        // The hotkey controls stand side by side without touching.
        const PixelRect list = ControlRect(ControlId::cboShutdown, dpi);
        const PixelRect ctrl = ControlRect(ControlId::chkShutdownCTRL, dpi);
        const PixelRect shift = ControlRect(ControlId::chkShutdownSHIFT, dpi);
        EXPECT_LT(list.left + list.width, ctrl.left);
        EXPECT_LT(ctrl.left + ctrl.width, shift.left);
    }
}

TEST(TabOrder, StartsAtStartShutdownAndEndsAtTheFrame)
{
    constexpr auto order = app::TabOrder();
    const std::array<ControlId, 6> expected{ControlId::cmdShutdown,      ControlId::cmdHelp,
                                            ControlId::cboShutdown,      ControlId::chkShutdownCTRL,
                                            ControlId::chkShutdownSHIFT, ControlId::frmFrame};
    EXPECT_EQ(order, expected);
}

} // namespace
