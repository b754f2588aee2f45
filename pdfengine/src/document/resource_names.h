#pragma once
// Names under which the engine enters forms, images and fonts in page
// resources: a prefix and eight lower-case hexadecimal digits taken from a
// digest of random bytes and the time, so names never collide without any
// registry of used names.

#include <string>
#include <string_view>

namespace papyrion::pdf {

inline constexpr std::string_view kFormNamePrefix = "TessaronXO";
inline constexpr std::string_view kImageNamePrefix = "TessaronIm";
inline constexpr std::string_view kFontNamePrefix = "TessaronF";

std::string MakeResourceName(std::string_view prefix);

}  // namespace papyrion::pdf
