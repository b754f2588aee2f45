#pragma once
// WinAnsiEncoding (ISO 32000-1 annex D.2), the encoding of the standard
// font the engine draws text with.

#include <string>
#include <string_view>

namespace papyrion::pdf {

// UTF-8 text in WinAnsiEncoding bytes; characters it lacks become "?".
std::string Utf8ToWinAnsi(std::string_view utf8);

}  // namespace papyrion::pdf
