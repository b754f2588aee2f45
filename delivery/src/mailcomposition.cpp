#include "delivery/mailcomposition.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>

#include "core/text_keys.h"
#include "core/translation.h"
#include "delivery/sendmail.h"

namespace papyrion {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::size_t kSubjectLength = 80;
// Far enough for any date a template means, near enough to keep the year
// printable.
constexpr long kMaxDayOffset = 1000000;

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Upper(c);
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Upper(text[i]) != Upper(prefix[i])) return false;
    }
    return true;
}

std::string Trimmed(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

// One left-to-right pass over non-overlapping pairs: three blanks become two.
std::string CollapseBlankPairs(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ') ++i;
    }
    return out;
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view pattern,
                             std::string_view replacement) {
    if (pattern.empty()) return std::string(text);
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (StartsWithNoCase(text.substr(i), pattern)) {
            out += replacement;
            i += pattern.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

// The first `count` characters of UTF-8 text (a letter is never cut in two).
std::string_view Utf8Prefix(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size() && n < count; ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return text.substr(0, i);
}

// A whole number read the way the platform's integer conversion reads text:
// leading blanks skipped, an optional sign, digits up to the first other
// character; nothing readable gives 0.
long LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value <= kMaxDayOffset) value = value * 10 + (text[i] - '0');
    }
    if (value > kMaxDayOffset) value = kMaxDayOffset;
    return negative ? -value : value;
}

std::string DateAfter(const LocalDateTime& today, long days) {
    using namespace std::chrono;
    year_month_day start{year{today.year}, month{static_cast<unsigned>(today.month)},
                         day{static_cast<unsigned>(today.day)}};
    year_month_day shifted{sys_days{start} + std::chrono::days{days}};
    return FormatDate(static_cast<int>(shifted.year()), static_cast<int>(unsigned{shifted.month()}),
                      static_cast<int>(unsigned{shifted.day()}));
}

// Read with stdio, whose error flag also tells a failed read (a folder in
// the template's place, a file locked or gone) from the end of the file.
std::vector<std::string> TemplateLines(const std::filesystem::path& file) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(file.c_str(), "rb"), std::fclose);
    if (!in) throw std::runtime_error("Unable to read " + file.string());
    std::string content;
    char buffer[8192];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) content.append(buffer, got);
    if (std::ferror(in.get())) throw std::runtime_error("Unable to read " + file.string());

    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

struct ComposedMessage {
    std::string subject;
    std::string body;
    std::vector<std::string> recipients;
};

}  // namespace

LocalDateTime LocalNow() {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                         local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string FormatDate(int year, int month, int day) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", day, month, year);
    return text;
}

std::string FormatTime(const LocalDateTime& when) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", when.hour, when.minute, when.second);
    return text;
}

MailPlaceholders MailPlaceholders::FromTranslations(const TranslateFn& translate) {
    MailPlaceholders p;
    // A placeholder needs a word: an empty one keeps the default as well.
    auto word = [&](std::string_view key, std::string& target) {
        std::string text = translate(key);
        if (!IsMissingText(text) && !text.empty()) target = UpperAscii(text);
    };
    word(text::kDateWord, p.date_word);
    word(text::kMonthWord, p.month_word);
    word(text::kTimeWord, p.time_word);
    word(text::kAttachmentWord, p.attachment_word);

    std::string names = translate(text::kMonthNames);
    if (!IsMissingText(names) && !names.empty()) {
        // Text after the eleventh comma is entry 12, commas and all.
        std::size_t start = 0;
        for (int entry = 1; entry <= 12 && start <= names.size(); ++entry) {
            std::size_t comma = entry < 12 ? names.find(',', start) : std::string::npos;
            std::size_t end = comma == std::string::npos ? names.size() : comma;
            p.months[static_cast<std::size_t>(entry)] = names.substr(start, end - start);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        p.months[0] = p.months[12];
    }
    return p;
}

MailComposition::MailComposition(MailCompositionServices services, MailPlaceholders placeholders)
    : services_(std::move(services)), placeholders_(std::move(placeholders)) {}

std::filesystem::path MailComposition::TemplatePath() const {
    return services_.data_folder /
           ("Email_user" + services_.settings.Value(setting::kCountryCode) + ".txt");
}

std::string MailComposition::ExpandDateOffset(std::string_view line) const {
    const std::string marker = ":" + placeholders_.date_word;
    std::size_t p = line.find(marker);
    if (p == std::string_view::npos) return std::string(line);
    const std::size_t w = marker.size();
    // The text after the placeholder's leading colon; its first colon closes
    // the placeholder. The whole rest of the line is kept (no window).
    std::string_view rest = line.substr(p + 1);
    std::size_t closing = rest.find(':');
    std::size_t c = closing == std::string_view::npos ? 0 : closing + 1;  // counted from 1
    std::string_view after = rest.substr(c);
    std::string_view placeholder = line.substr(p, c);

    bool forward = placeholder.size() > w && placeholder[w] == '+';
    long amount = placeholder.size() > w + 1 ? LeadingInteger(placeholder.substr(w + 1)) : 0;
    long days = forward ? amount : -amount;
    return std::string(line.substr(0, p)) + " " + DateAfter(services_.clock(), days) + " " +
           std::string(after);
}

std::string MailComposition::ExpandMonthOffset(std::string_view line) const {
    const std::string marker = ":" + placeholders_.month_word;
    std::size_t p = line.find(marker);
    if (p == std::string_view::npos) return std::string(line);
    const std::size_t w = marker.size();
    auto at = [&](std::size_t i) { return i < line.size() ? line[i] : '\0'; };
    auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };

    bool forward = at(p + w) == '+';
    // The scan stops on a colon, on any other non-digit, or on the line's
    // last character; so a number of two or more digits that runs to the end
    // of the line without a colon loses its last digit.
    std::size_t pos = p + w + 1;
    int offset_mod_12 = 0;
    for (;;) {
        if (digit(at(pos))) offset_mod_12 = (offset_mod_12 * 10 + (at(pos) - '0')) % 12;
        ++pos;
        if (at(pos) == ':' || !digit(at(pos)) || pos + 1 >= line.size()) break;
    }
    int month = services_.clock().month + (forward ? offset_mod_12 : -offset_mod_12);
    while (month < 1) month += 12;
    while (month > 12) month -= 12;
    std::string out(line.substr(0, p));
    out += placeholders_.months[static_cast<std::size_t>(month)];
    if (pos + 1 < line.size()) out += line.substr(pos + 1);  // the rest, without the colon at pos
    return out;
}

bool MailComposition::MailOutputFile(const std::string& argument) {
    services_.ui.ActivityTick();
    const LocalDateTime now = services_.clock();
    int previous_month = now.month - 1;
    int previous_year = now.year;
    if (previous_month == 0) --previous_year;  // entry 0 is December
    const std::string previous_month_text =
        placeholders_.months[static_cast<std::size_t>(previous_month)] + " " +
        std::to_string(previous_year);
    const std::string attachment_name =
        argument == kMailInOne ? argument : argument.substr(argument.find_last_of('/') + 1);

    ComposedMessage message;
    const std::filesystem::path template_file = TemplatePath();
    std::error_code ec;
    if (services_.settings.Value(setting::kUseMailTemplate) == "0" &&
        std::filesystem::exists(template_file, ec)) {
        const std::string date_marker = ":" + placeholders_.date_word;
        const std::string month_marker = ":" + placeholders_.month_word;
        for (std::string line : TemplateLines(template_file)) {
            if (line.find(date_marker) != std::string::npos) line = ExpandDateOffset(line);
            if (line.find(month_marker) != std::string::npos) line = ExpandMonthOffset(line);
            line = CollapseBlankPairs(line);

            if (StartsWithNoCase(line, "TO:")) {
                message.recipients.push_back(Trimmed(std::string_view(line).substr(3)));
            } else if (StartsWithNoCase(line, "CC:") || StartsWithNoCase(line, "BCC:")) {
                // The prefix stays: the mail component reads it.
                message.recipients.push_back(Trimmed(line));
            } else if (StartsWithNoCase(line, "SUBJECT:")) {
                message.subject =
                    Trimmed(Utf8Prefix(std::string_view(line).substr(8), kSubjectLength));
            } else if (line.rfind("//", 0) == 0) {
                continue;
            } else {
                line = ReplaceAllNoCase(line, date_marker + ":",
                                        "  " + FormatDate(now.year, now.month, now.day) + "  ");
                line = ReplaceAllNoCase(line, month_marker + "-1:", previous_month_text);
                line = ReplaceAllNoCase(line, ":" + placeholders_.time_word + ":", FormatTime(now));
                line = ReplaceAllNoCase(line, ":" + placeholders_.attachment_word + ":",
                                        attachment_name);
                line = ReplaceAllNoCase(line, ":BR:", kCrLf);
                message.body += CollapseBlankPairs(line);
                message.body += kCrLf;
            }
        }
    }

    TMAPIMail mail(services_.composer);
    mail.Subject = message.subject;
    mail.Body = message.body;
    mail.Recipients = message.recipients;
    if (argument == kMailInOne) {
        mail.Attachments = services_.mail_collection.Entries();
    } else {
        mail.Attachments = {argument};
    }
    mail.EditDialog = true;
    if (mail.Send()) return true;
    const unsigned code = mail.LastError();
    services_.log.LogEvent("00881e", "Emaile aborted " + MapiErrorText(code) + ";" +
                                         std::to_string(code) + ";;" + argument + ";");
    return false;
}

void MailComposition::SendContactMail() {
    TMAPIMail mail(services_.composer);
    mail.Subject = services_.translate(text::ContactMailLine(0));
    for (int i = 1; i <= text::kContactMailLines; ++i) {
        std::string text = services_.translate(text::ContactMailLine(i));
        if (IsMissingText(text)) text = " ";
        mail.Body += ReplaceAllNoCase(text, ":BR:", kCrLf);
        mail.Body += kCrLf;
    }
    mail.Recipients = {"SMTP:" + services_.translate(text::kSupportAddress)};
    for (const auto& file : {services_.data_folder / "Papyrion_Log.csv",
                             services_.data_folder / "Papyrion.ini", TemplatePath()}) {
        std::error_code ec;
        if (std::filesystem::exists(file, ec)) mail.Attachments.push_back(file.string());
    }
    mail.EditDialog = true;
    mail.Send();
}

}  // namespace papyrion
