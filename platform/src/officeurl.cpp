#include "platform/officeurl.h"

#include <cctype>

#include "platform/officeautomation.h"

namespace papyrion {

namespace {

bool IsUnreserved(unsigned char c) {
    return std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string FileUrlFromPath(const std::filesystem::path& absolute_path, std::string_view scheme) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url(scheme);
    url += "://";
    for (unsigned char c : absolute_path.string()) {
        if (IsUnreserved(c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0x0F];
        }
    }
    return url;
}

std::optional<std::filesystem::path> PathFromFileUrl(std::string_view url) {
    constexpr std::string_view kScheme = "file://";
    if (url.size() < kScheme.size() || !SameMemberName(url.substr(0, kScheme.size()), kScheme)) {
        return std::nullopt;
    }
    std::string_view rest = url.substr(kScheme.size());
    constexpr std::string_view kLocalhost = "localhost";
    if (rest.size() >= kLocalhost.size() &&
        SameMemberName(rest.substr(0, kLocalhost.size()), kLocalhost)) {
        rest.remove_prefix(kLocalhost.size());
    }
    if (rest.empty() || rest.front() != '/') return std::nullopt;
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        if (i + 2 >= rest.size()) return std::nullopt;
        const int high = HexValue(rest[i + 1]);
        const int low = HexValue(rest[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (path.find('\0') != std::string::npos) return std::nullopt;
    return std::filesystem::path(path);
}

}  // namespace papyrion
