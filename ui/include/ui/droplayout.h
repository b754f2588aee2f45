#pragma once
// The drop window's geometry and drop zones as plain functions, so that the
// window only applies them and the rules can be checked without a display.

#include <string_view>

namespace papyrion::ui {

struct Box {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
    bool operator==(const Box&) const = default;
};

// Gap between the icons, and the height of each status line.
inline constexpr int kIconGap = 3;
inline constexpr int kStatusLineHeight = 11;

struct DropLayout {
    int icon = 0;           // side of the four square action icons
    Box image_map;          // keep
    Box immail;             // mail
    Box imprt;              // print
    Box imstaf;             // configured actions
    Box imsetup;            // opens the configuration window
    Box immet;              // stationery switch (on)
    Box imzon;              // stationery switch (off), same place as immet
    Box pb1;                // activity bar
    Box label1;             // first status line
    Box label2;             // second status line
    int window_height = 0;  // frame included: the height follows the width
    int ClientHeight(int border_height) const { return window_height - border_height; }
};

// Rounds to the nearest integer, a half to the even neighbour.
int RoundHalfEven(double value);

// The layout for a window `window_width` wide (frame included) whose frame
// takes `border_width` and `border_height` of it. Positions are client
// coordinates.
DropLayout LayoutDropWindow(int window_width, int border_width, int border_height);

// The action code of a drop at client x: "1" keep, "2" mail, "3" print,
// "4" configured actions, "0" (preview only) left of the first icon and from
// the small icons rightwards. Each icon's zone takes the gap to its right.
std::string_view ActionAtX(const DropLayout& layout, int x);

}  // namespace papyrion::ui
