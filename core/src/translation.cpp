#include "core/translation.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <system_error>
#include <utility>

#include "translation_text.h"

namespace papyrion {

namespace {

using translation_text::EqualsIgnoreCase;
using translation_text::LessIgnoreCase;
using translation_text::Utf8Substring;
using translation_text::WithoutByteOrderMark;

constexpr std::size_t kCodeLength = 3;
// Characters taken from position 5 of a text line.
constexpr std::size_t kMaxKeywordAndText = 255;
constexpr std::size_t kLanguagePadding = 21;

bool IsLanguageLine(std::string_view line) {
    return EqualsIgnoreCase(Utf8Substring(line, 4, 4), "LAND");
}

std::string LanguageEntry(std::string_view line) {
    std::string name(Utf8Substring(line, 9, std::string_view::npos));
    name.append(kLanguagePadding, ' ');
    std::string entry(Utf8Substring(name, 0, kLanguageNameWidth));
    entry += Utf8Substring(line, 0, kCodeLength);
    return entry;
}

// Splits the keyword-and-text part of a text line at its first ":".
std::pair<std::string_view, std::string_view> SplitKeyword(std::string_view line) {
    const std::string_view part = Utf8Substring(line, kCodeLength + 1, kMaxKeywordAndText);
    const auto colon = part.find(':');
    if (colon == std::string_view::npos) return {std::string_view{}, std::string_view{}};
    return {part.substr(0, colon), part.substr(colon + 1)};
}

// Calls `visit` with every line of the table file, without its line end.
// Only the first kMaxLineBytes bytes of a line are passed: nothing beyond the
// first 259 characters is ever used, and a damaged file must not fill the
// memory. Returns false when the file cannot be opened.
bool ForEachTableLine(const std::filesystem::path& file,
                      const std::function<void(std::string_view)>& visit) {
    constexpr std::size_t kMaxLineBytes = 4096;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::string line;
    bool first = true;
    bool pending = false;
    const auto finish = [&] {
        std::string_view view = line;
        if (!view.empty() && view.back() == '\r') view.remove_suffix(1);
        if (first) view = WithoutByteOrderMark(view);
        visit(view);
        line.clear();
        first = false;
        pending = false;
    };
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) {
        if (*it == '\n') {
            finish();
            continue;
        }
        pending = true;
        if (line.size() < kMaxLineBytes) line += *it;
    }
    if (pending) finish();
    return true;
}

}  // namespace

std::string LanguageEntryCode(std::string_view entry) {
    if (entry.size() < kCodeLength) return {};
    return std::string(entry.substr(entry.size() - kCodeLength));
}

std::string LanguageEntryName(std::string_view entry) {
    if (entry.size() < kCodeLength) return {};
    std::string_view name = entry.substr(0, entry.size() - kCodeLength);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    return std::string(name);
}

bool TranslationTable::KeywordLess::operator()(std::string_view a, std::string_view b) const {
    return LessIgnoreCase(a, b);
}

TranslationTable::TranslationTable(std::filesystem::path programFolder, std::string countryCode,
                                   UserInterface& ui, PersistCountry persistCountry)
    : programFolder_(std::move(programFolder)),
      countryCode_(std::move(countryCode)),
      ui_(ui),
      persistCountry_(std::move(persistCountry)) {}

void TranslationTable::Load() {
    if (loaded_) return;
    // Whatever happens below, a run reads the file once: a missing file must
    // not be retried (and its fallback message shown) at every lookup.
    loaded_ = true;
    entries_.clear();
    missing_.clear();
    languages_.clear();

    const std::filesystem::path file = programFolder_ / kFileName;
    // A language that several lines name (its "LAND" line and a "land"
    // keyword line) is offered once.
    std::set<std::string> seen;
    ForEachTableLine(file, [&](std::string_view line) {
        if (!IsLanguageLine(line)) return;
        std::string entry = LanguageEntry(line);
        if (seen.insert(entry).second) languages_.push_back(std::move(entry));
    });
    std::stable_sort(languages_.begin(), languages_.end(), LessIgnoreCase);

    const bool known = std::any_of(languages_.begin(), languages_.end(), [&](const auto& entry) {
        return LanguageEntryCode(entry) == countryCode_;
    });
    if (!known) {
        ui_.ShowMessage(std::string(kLanguageNotFoundMessage));
        countryCode_ = std::string(kFallbackCountryCode);
        if (persistCountry_) {
            try {
                persistCountry_(countryCode_);
            } catch (const std::exception& e) {
                // The texts are still needed for the windows being built.
                ui_.ShowError(e.what());
            }
        }
    }

    ForEachTableLine(file, [this](std::string_view line) {
        if (line.substr(0, kCodeLength) != countryCode_ || countryCode_.size() != kCodeLength) {
            return;
        }
        const auto [keyword, text] = SplitKeyword(line);
        // The first line of a keyword counts.
        entries_.try_emplace(std::string(keyword),
                             Entry{std::string(keyword), std::string(text), 0});
    });
}

std::string TranslationTable::Translate(std::string_view keyword) {
    Load();
    const auto found = entries_.find(keyword);
    if (found == entries_.end()) {
        missing_.emplace_back(keyword);
        return std::string(kMissingText);
    }
    ++found->second.uses;
    return found->second.text;
}

const std::vector<std::string>& TranslationTable::LanguageList() {
    Load();
    return languages_;
}

std::vector<TranslationTable::KeywordUse> TranslationTable::KeywordUses() const {
    std::vector<KeywordUse> uses;
    uses.reserve(entries_.size());
    for (const auto& [key, e] : entries_) uses.push_back({e.keyword, e.text, e.uses});
    return uses;
}

std::vector<std::string> TranslationTable::ReportLines() const {
    std::vector<std::string> lines;
    lines.push_back("#;Keyword;used;Vertaling voor " + countryCode_);
    std::size_t number = 0;
    for (const auto& [key, e] : entries_) {
        lines.push_back(std::to_string(number++) + ";" + e.keyword + ";" + std::to_string(e.uses) +
                        ";" + e.text);
    }
    for (const auto& keyword : missing_) lines.push_back(";" + keyword + " is missing");
    return lines;
}

bool TranslationTable::WriteReport(const std::filesystem::path& dataFolder) const {
    std::error_code ec;
    if (!std::filesystem::exists(programFolder_ / kTranslatorToolName, ec)) return false;
    std::ofstream out(dataFolder / kReportFileName, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const auto& line : ReportLines()) out << line << "\r\n";
    out.close();
    return static_cast<bool>(out);
}

}  // namespace papyrion
