#pragma once
// PDF text strings: the byte form of the text of information entries,
// outline titles and the like. PDFDocEncoding when every character has a
// byte there, else UTF-16 big-endian after the bytes FE FF.

#include <string>
#include <string_view>

namespace papyrion::pdf {

// The empty text gives the empty string.
std::string EncodeTextString(std::u32string_view text);
// FE FF: UTF-16 big-endian (an odd last byte is dropped); EF BB BF: UTF-8;
// anything else PDFDocEncoding. Never throws; bad sequences give U+FFFD.
std::u32string DecodeTextString(std::string_view bytes);

// The same for callers that hold UTF-8 text.
std::string EncodeTextStringFromUtf8(std::string_view utf8);
std::string DecodeTextStringToUtf8(std::string_view bytes);

std::u32string Utf8ToUtf32(std::string_view utf8);
std::string Utf32ToUtf8(std::u32string_view text);

}  // namespace papyrion::pdf
