#include "core/inifile.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "platform/atomicfile.h"
#include "text_util.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;

struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n" or "" for a last line without one
};

enum class LineKind { kSection, kKey, kOther };

struct ParsedLine {
    LineKind kind = LineKind::kOther;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::uintmax_t kIniFileLimit = 16 * 1024 * 1024;

ParsedLine Parse(std::string_view text, bool first_line) {
    if (first_line && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() == ';') return {};
    if (trimmed.front() == '[') {
        std::string_view name = trimmed.substr(1);
        name = name.substr(0, name.find(']'));
        return {LineKind::kSection, Trim(name), {}};
    }
    const auto equals = trimmed.find('=');
    if (equals == std::string_view::npos) return {};
    return {LineKind::kKey, Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1))};
}

std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        const auto newline = content.find('\n', start);
        if (newline == std::string::npos) {
            lines.push_back({content.substr(start), ""});
            break;
        }
        std::size_t text_end = newline;
        if (text_end > start && content[text_end - 1] == '\r') --text_end;
        lines.push_back({content.substr(start, text_end - start),
                         content.substr(text_end, newline + 1 - text_end)});
        start = newline + 1;
    }
    return lines;
}

// The whole file, or nullopt when it is missing. Throws when it is there but
// cannot be read, so that a write never replaces a file it did not see.
std::optional<std::string> ReadFile(const fs::path& file, bool throw_on_error) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return std::nullopt;
    // Our settings file holds a few dozen lines; a giant file at its place is
    // not one, and is neither read into memory nor replaced.
    const auto size = fs::file_size(file, ec);
    if (!ec && size > kIniFileLimit) {
        if (throw_on_error) throw std::runtime_error("Unable to write to " + file.string());
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    if (in) content << in.rdbuf();
    if (!in || in.bad() || fs::is_directory(file, ec)) {
        if (throw_on_error) throw std::runtime_error("Unable to write to " + file.string());
        return std::nullopt;
    }
    return content.str();
}

struct Location {
    std::optional<std::size_t> section;  // index of the section line
    std::optional<std::size_t> key;      // index of the key line in it
    std::size_t section_end = 0;         // one past the section's last line
};

Location Find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Location where;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = Parse(lines[i].text, i == 0);
        if (!where.section) {
            if (parsed.kind == LineKind::kSection && EqualsNoCase(parsed.name, section)) {
                where.section = i;
                where.section_end = lines.size();
            }
            continue;
        }
        if (parsed.kind == LineKind::kSection) {
            where.section_end = i;
            break;
        }
        if (parsed.kind == LineKind::kKey && !where.key && EqualsNoCase(parsed.name, key)) {
            where.key = i;
        }
    }
    return where;
}

std::string CutToCharacters(std::string_view text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Continuation bytes of UTF-8 do not start a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (characters == limit) return std::string(text.substr(0, i));
            ++characters;
        }
    }
    return std::string(text);
}

void CheckNames(std::string_view section, std::string_view key, std::string_view value) {
    auto has_line_break = [](std::string_view text) {
        return text.find_first_of("\r\n") != std::string_view::npos;
    };
    if (has_line_break(section) || has_line_break(key) || has_line_break(value) ||
        key.find('=') != std::string_view::npos || section.find(']') != std::string_view::npos ||
        Trim(key).empty()) {
        throw std::invalid_argument("Setting [" + std::string(section) + "] " + std::string(key) +
                                    " cannot be stored: its name or value breaks the file format");
    }
}

}  // namespace

std::string IniRead(const fs::path& file, std::string_view section, std::string_view key,
                    std::string_view def) {
    const auto content = ReadFile(file, false);
    if (!content) return std::string(def);
    const std::vector<Line> lines = SplitLines(*content);
    const Location where = Find(lines, section, key);
    if (!where.key) return std::string(def);
    return CutToCharacters(Parse(lines[*where.key].text, *where.key == 0).value, kIniValueLimit);
}

void IniWrite(const fs::path& file, std::string_view section, std::string_view key,
              std::string_view value) {
    CheckNames(section, key, value);
    // A settings file that is a symbolic link stays one: the link's target is
    // what gets replaced.
    fs::path target = file;
    std::error_code ec;
    if (fs::is_symlink(file, ec)) {
        const fs::path resolved = fs::weakly_canonical(file, ec);
        if (!ec) target = resolved;
    }
    const auto content = ReadFile(target, true);
    std::vector<Line> lines = content ? SplitLines(*content) : std::vector<Line>{};
    const std::string end = !lines.empty() && !lines.front().end.empty() ? lines.front().end : "\n";
    const std::string key_line = std::string(Trim(key)) + "=" + std::string(value);

    const Location where = Find(lines, section, key);
    if (where.key) {
        // Keep the key's spelling and spacing up to "=" as the file has it.
        std::string& text = lines[*where.key].text;
        text = text.substr(0, text.find('=') + 1) + std::string(value);
    } else if (where.section) {
        std::size_t insert_at = where.section_end;
        while (insert_at > *where.section + 1 && Trim(lines[insert_at - 1].text).empty()) {
            --insert_at;
        }
        if (lines[insert_at - 1].end.empty()) lines[insert_at - 1].end = end;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert_at), Line{key_line, end});
    } else {
        if (!lines.empty() && lines.back().end.empty()) lines.back().end = end;
        lines.push_back({"[" + std::string(Trim(section)) + "]", end});
        lines.push_back({key_line, end});
    }

    std::string out;
    for (const Line& line : lines) out += line.text + line.end;
    if (ReplaceFileContent(target, out)) {
        throw std::runtime_error("Unable to write to " + file.string());
    }
}

}  // namespace papyrion
