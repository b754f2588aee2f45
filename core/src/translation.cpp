#include "core/translation.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <system_error>
#include <utility>

#include "translation_text.h"

namespace papyrion {

namespace {

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

    std::vector<std::string> lines;
    if (std::ifstream in(programFolder_ / kFileName, std::ios::binary); in) {
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (lines.empty()) line = std::string(WithoutByteOrderMark(line));
            lines.push_back(std::move(line));
        }
    }

    for (const auto& line : lines) {
        if (!IsLanguageLine(line)) continue;
        std::string entry = LanguageEntry(line);
        // A language that several lines name (its "LAND" line and a "land"
        // keyword line) is offered once.
        if (std::find(languages_.begin(), languages_.end(), entry) == languages_.end()) {
            languages_.push_back(std::move(entry));
        }
    }
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

    for (const auto& line : lines) {
        if (line.size() < kCodeLength || line.compare(0, kCodeLength, countryCode_) != 0) continue;
        const auto [keyword, text] = SplitKeyword(line);
        const auto at = std::lower_bound(
            entries_.begin(), entries_.end(), keyword,
            [](const Entry& e, std::string_view k) { return LessIgnoreCase(e.keyword, k); });
        if (at != entries_.end() && EqualsIgnoreCase(at->keyword, keyword)) continue;
        entries_.insert(at, Entry{std::string(keyword), std::string(text), 0});
    }
}

const TranslationTable::Entry* TranslationTable::Find(std::string_view keyword) const {
    const auto at = std::lower_bound(
        entries_.begin(), entries_.end(), keyword,
        [](const Entry& e, std::string_view k) { return LessIgnoreCase(e.keyword, k); });
    if (at == entries_.end() || !EqualsIgnoreCase(at->keyword, keyword)) return nullptr;
    return &*at;
}

std::string TranslationTable::Translate(std::string_view keyword) {
    Load();
    const Entry* found = Find(keyword);
    if (found == nullptr) {
        missing_.emplace_back(keyword);
        return std::string(kMissingText);
    }
    Entry& entry = entries_[static_cast<std::size_t>(found - entries_.data())];
    ++entry.uses;
    return entry.text;
}

const std::vector<std::string>& TranslationTable::LanguageList() {
    Load();
    return languages_;
}

std::vector<TranslationTable::KeywordUse> TranslationTable::KeywordUses() const {
    std::vector<KeywordUse> uses;
    uses.reserve(entries_.size());
    for (const auto& e : entries_) uses.push_back({e.keyword, e.text, e.uses});
    return uses;
}

std::vector<std::string> TranslationTable::ReportLines() const {
    std::vector<std::string> lines;
    lines.push_back("#;Keyword;used;Vertaling voor " + countryCode_);
    std::size_t number = 0;
    for (const auto& e : entries_) {
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
