#include "ui/droplayout.h"

#include <cfenv>
#include <cmath>

namespace papyrion::ui {

int RoundHalfEven(double value) {
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    return static_cast<int>(rounded);
}

DropLayout LayoutDropWindow(int window_width, int border_width, int border_height) {
    constexpr int g = kIconGap;
    DropLayout l;
    l.icon = RoundHalfEven((window_width - border_width - 6 * g) / 4.5);
    const int s = l.icon;
    l.image_map = {g, g, s, s};
    l.immail = {l.image_map.left + s + g, g, s, s};
    l.imprt = {l.immail.left + s + g, g, s, s};
    l.imstaf = {l.imprt.left + s + g, g, s, s};
    const int half = RoundHalfEven(l.imstaf.width / 2.0);
    l.imsetup = {l.imstaf.Right() + g, RoundHalfEven(l.imstaf.height / 2.0) + l.imstaf.top + 1,
                 half, half - 1};
    l.immet = {l.imstaf.Right() + g, l.imstaf.top, half, half};
    l.imzon = l.immet;
    const int line_width = window_width - 9;
    l.pb1 = {0, 0, line_width, 5};
    l.label1 = {0, l.image_map.Bottom() + g, line_width, kStatusLineHeight};
    l.label2 = {0, l.label1.top + kStatusLineHeight, line_width, kStatusLineHeight};
    l.window_height = l.label2.Bottom() + border_height;
    return l;
}

std::string_view ActionAtX(const DropLayout& layout, int x) {
    if (x >= layout.imsetup.left) return "0";
    if (x >= layout.imstaf.left) return "4";
    if (x >= layout.imprt.left) return "3";
    if (x >= layout.immail.left) return "2";
    if (x >= layout.image_map.left) return "1";
    return "0";
}

}  // namespace papyrion::ui
