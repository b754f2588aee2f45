#include "platform/loginstart_linux.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace papyrion {
namespace {

constexpr std::string_view kEntryName = "Papyrion.desktop";
constexpr std::string_view kGroup = "[Desktop Entry]";
constexpr std::string_view kMarkerKey = "X-Papyrion-Autostart";

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The length of the sequence, the bits its lead byte carries and the
        // smallest code point it may stand for (shorter forms are invalid).
        const std::size_t length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 0;
        if (length == 0 || lead >= 0xf8 || i + length > text.size()) return false;
        char32_t code = lead & (0x7f >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xc0) != 0x80) return false;
            code = (code << 6) | (next & 0x3f);
        }
        const char32_t lowest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code < lowest || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return false;
        i += length;
    }
    return true;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// What an existing entry says about itself.
struct EntryState {
    bool ours = false;
    bool active = true;  // not switched off through the desktop's session settings
};

std::optional<EntryState> ReadEntry(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    EntryState state;
    bool in_group = false;
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == '#') continue;
        if (text.front() == '[') {
            in_group = text == kGroup;
            continue;
        }
        const auto equals = text.find('=');
        if (!in_group || equals == std::string_view::npos) continue;
        const std::string_view key = Trimmed(text.substr(0, equals));
        const std::string_view value = Trimmed(text.substr(equals + 1));
        if (key == kMarkerKey) state.ours = value == "true";
        if (key == "Hidden" && value == "true") state.active = false;
        if (key == "X-GNOME-Autostart-enabled" && value == "false") state.active = false;
    }
    if (in.bad()) return std::nullopt;
    return state;
}

bool IsOurs(const std::filesystem::path& file) {
    const auto state = ReadEntry(file);
    return state && state->ours;
}

std::filesystem::path HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

std::filesystem::path ConfigHome() {
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return config;
    const std::filesystem::path home = HomeFolder();
    return home.empty() ? home : home / ".config";
}

// Makes the missing folders of `folder`; new ones are private to the user,
// as configuration folders should be.
bool MakeFolders(const std::filesystem::path& folder) {
    std::filesystem::path built;
    for (const auto& part : folder) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) == 0 || errno == EEXIST) continue;
        return false;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes `bytes` to a new file beside `target` and renames it over `target`,
// so that the desktop never reads a half-written entry. The temporary name
// does not end in ".desktop": one left behind by a crash starts nothing.
bool ReplaceAtomically(const std::filesystem::path& target, std::string_view bytes) {
    const std::filesystem::path folder = target.parent_path();
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                              "-" + std::to_string(attempt));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace

std::optional<std::string> DesktopExecValue(const std::filesystem::path& program) {
    const std::string& path = program.native();
    if (!IsUtf8(path)) return std::nullopt;
    // Quoting is always allowed, so every path gets the same form. Inside the
    // quotes a backslash escapes the four characters the launcher would
    // otherwise interpret; "%" starts a field code anywhere and is doubled.
    std::string argument = "\"";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) return std::nullopt;
        if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
        if (c == '%') argument += '%';
        argument += c;
    }
    argument += '"';
    // Then the escaping of every string value of the file: a backslash is
    // written twice.
    std::string value;
    for (const char c : argument) {
        if (c == '\\') value += '\\';
        value += c;
    }
    return value;
}

std::optional<std::string> AutostartEntry(const std::filesystem::path& program) {
    const auto exec = DesktopExecValue(program);
    if (!exec) return std::nullopt;
    std::ostringstream entry;
    entry << kGroup << "\n"
          << "Type=Application\n"
          << "Name=Papyrion\n"
          << "Exec=" << *exec << "\n"
          << "X-GNOME-Autostart-enabled=true\n"
          << kMarkerKey << "=true\n";
    return entry.str();
}

LinuxLoginStart::LinuxLoginStart(LinuxLoginStartOptions options) : options_(std::move(options)) {}

std::filesystem::path LinuxLoginStart::EntryPath() const {
    const std::filesystem::path config =
        options_.config_home.empty() ? ConfigHome() : options_.config_home;
    if (config.empty()) return config;
    return config / "autostart" / kEntryName;
}

bool LinuxLoginStart::Enabled() {
    const std::filesystem::path entry = EntryPath();
    if (entry.empty()) return false;
    const auto state = ReadEntry(entry);
    return state && state->ours && state->active;
}

bool LinuxLoginStart::Enable(const std::filesystem::path& program) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(program, error);
    if (error) return false;
    const auto contents = AutostartEntry(absolute.lexically_normal());
    const std::filesystem::path entry = EntryPath();
    if (!contents || entry.empty()) return false;
    // An entry of this name written by the user stays as it is.
    if (std::filesystem::symlink_status(entry, error).type() !=
            std::filesystem::file_type::not_found &&
        !IsOurs(entry)) {
        return false;
    }
    return MakeFolders(entry.parent_path()) && ReplaceAtomically(entry, *contents);
}

bool LinuxLoginStart::Disable() {
    const std::filesystem::path entry = EntryPath();
    if (entry.empty() || !IsOurs(entry)) return true;
    return ::unlink(entry.c_str()) == 0 || errno == ENOENT;
}

}  // namespace papyrion
