#include "ui/droplayout.h"

#include <gtest/gtest.h>

#include <string>

namespace papyrion::ui {
namespace {

TEST(DropLayout, IconSizeFollowsTheWidthAndTheHeightFollowsTheIcons) {
    struct Case {
        int width, border_width, border_height;
        int icon;
        Box imsetup;
        int client_height;
    };
    const Case cases[] = {
        // 236 / 4.5 = 52.44
        {270, 16, 39, 52, {223, 30, 26, 25}, 80},
        // 237 / 4.5 = 52.67; half of 53 is 26.5, to the even 26
        {271, 16, 39, 53, {227, 30, 26, 25}, 81},
        // no frame (no window manager): 252 / 4.5 = 56
        {270, 0, 0, 56, {239, 32, 28, 27}, 84},
        // 243 / 4.5 = 54, half 27; the set-up icon sits one under the middle
        {277, 16, 39, 54, {231, 31, 27, 26}, 82},
    };
    for (const Case& c : cases) {
        const DropLayout l = LayoutDropWindow(c.width, c.border_width, c.border_height);
        const std::string at = "width " + std::to_string(c.width);
        EXPECT_EQ(l.icon, c.icon) << at;
        EXPECT_EQ(l.imsetup, c.imsetup) << at;
        EXPECT_EQ(l.ClientHeight(c.border_height), c.client_height) << at;
        EXPECT_EQ(l.window_height, c.client_height + c.border_height) << at;
        // Four squares side by side with the gap between them.
        EXPECT_EQ(l.image_map, (Box{3, 3, c.icon, c.icon})) << at;
        EXPECT_EQ(l.immail.left, l.image_map.Right() + 3) << at;
        EXPECT_EQ(l.imprt.left, l.immail.Right() + 3) << at;
        EXPECT_EQ(l.imstaf.left, l.imprt.Right() + 3) << at;
        // The switch above the set-up icon, both icons in one place.
        EXPECT_EQ(l.immet, l.imzon) << at;
        EXPECT_EQ(l.immet.top, 3) << at;
        EXPECT_EQ(l.immet.left, l.imsetup.left) << at;
        EXPECT_EQ(l.label1.top, 3 + c.icon + 3) << at;
        EXPECT_EQ(l.label2.top, l.label1.top + 11) << at;
        EXPECT_EQ(l.label1.width, c.width - 9) << at;
    }
}

TEST(DropLayout, RoundingTakesHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(26.5), 26);
    EXPECT_EQ(RoundHalfEven(27.5), 28);
    EXPECT_EQ(RoundHalfEven(52.44), 52);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
}

TEST(DropLayout, EveryZoneBoundaryGivesItsActionCode) {
    const DropLayout l = LayoutDropWindow(270, 16, 39);
    ASSERT_EQ(l.icon, 52);
    const struct {
        int x;
        std::string_view action;
    } cases[] = {{-5, "0"},  {0, "0"},   {2, "0"},   {3, "1"},   {57, "1"},
                 {58, "2"},  {112, "2"}, {113, "3"}, {167, "3"}, {168, "4"},
                 {222, "4"}, {223, "0"}, {240, "0"}, {500, "0"}};
    for (const auto& c : cases) EXPECT_EQ(ActionAtX(l, c.x), c.action) << "x " << c.x;
}

}  // namespace
}  // namespace papyrion::ui
