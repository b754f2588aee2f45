#pragma once
// MD5 (RFC 1321), only to find the name LibreOffice gives the pipe of a
// profile, which it leaves behind when it is killed.

#include <array>
#include <cstdint>
#include <string_view>

namespace papyrion::office {

std::array<std::uint8_t, 16> Md5(std::string_view bytes);

}  // namespace papyrion::office
