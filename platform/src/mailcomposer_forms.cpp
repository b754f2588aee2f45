#include "platform/mailcomposer_forms.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace papyrion {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

// Body lines joined with CR LF, whatever ended them before.
std::string BodyWithLineEnds(std::string_view body, std::string_view line_end) {
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n') continue;
        if (body[i] == '\n' || body[i] == '\r') {
            out += line_end;
        } else {
            out += body[i];
        }
    }
    return out;
}

std::vector<std::string> AddressesOf(const MailDraft& draft, RecipientKind kind) {
    std::vector<std::string> out;
    for (const auto& r : draft.recipients) {
        if (r.kind != kind) continue;
        std::string a = ComposerAddress(r.address);
        if (!a.empty()) out.push_back(std::move(a));
    }
    return out;
}

std::string Joined(const std::vector<std::string>& items, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += separator;
        out += items[i];
    }
    return out;
}

std::string AbsolutePath(const std::filesystem::path& p) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(p, ec);
    return (ec ? p : absolute).string();
}

bool ReadAsAddressByXdgEmail(std::string_view address) {
    return address.find('@') != std::string_view::npos && address.front() != '-' &&
           !StartsWithNoCase(address, "mailto:");
}

// Encoded size of a text: only letters, digits and the few characters every
// form keeps count once, so the figure holds for the longest form.
std::size_t EncodedSize(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) {
        bool kept = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '/';
        n += kept ? 1 : 3;
        if (c == '\n') n += 3;  // CR LF
    }
    return n;
}

}  // namespace

std::string ComposerAddress(std::string_view address) {
    std::string_view a = Trimmed(address);
    if (StartsWithNoCase(a, "smtp:")) a = Trimmed(a.substr(5));
    return std::string(a);
}

std::string ComposerSubject(std::string_view subject) {
    std::string out(subject);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return out;
}

std::string PercentEncode(std::string_view text, std::string_view keep) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '-' || c == '.' || c == '_' || c == '~' ||
            keep.find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        }
    }
    return out;
}

std::vector<std::string> XdgEmailArguments(const MailDraft& draft) {
    std::vector<std::string> args{"--utf8"};
    for (const auto& a : AddressesOf(draft, RecipientKind::kCc)) {
        args.insert(args.end(), {"--cc", a});
    }
    for (const auto& a : AddressesOf(draft, RecipientKind::kBcc)) {
        args.insert(args.end(), {"--bcc", a});
    }
    std::string subject = ComposerSubject(draft.subject);
    if (!subject.empty()) args.insert(args.end(), {"--subject", subject});
    std::string body = BodyWithLineEnds(draft.body, "\n");
    if (!body.empty()) args.insert(args.end(), {"--body", body});
    for (const auto& attachment : draft.attachments) {
        args.insert(args.end(), {"--attach", attachment.path.string()});
    }
    for (const auto& a : AddressesOf(draft, RecipientKind::kTo)) {
        if (!ReadAsAddressByXdgEmail(a)) args.emplace_back("--to");
        args.push_back(a);
    }
    return args;
}

std::vector<std::string> XdgEmailArgumentsWithoutBackslashes(const MailDraft& draft) {
    auto has_backslash = [](std::string_view t) { return t.find('\\') != std::string_view::npos; };
    MailDraft plain;
    MailDraft linked;
    MailDraft main_recipients;
    (has_backslash(draft.subject) ? linked : plain).subject = draft.subject;
    (has_backslash(draft.body) ? linked : plain).body = draft.body;
    // A whole group moves, so that attachments and recipients keep their order.
    bool attachments_linked =
        std::any_of(draft.attachments.begin(), draft.attachments.end(),
                    [&](const MailAttachment& a) { return has_backslash(a.path.string()); });
    (attachments_linked ? linked : plain).attachments = draft.attachments;
    for (RecipientKind kind : {RecipientKind::kTo, RecipientKind::kCc, RecipientKind::kBcc}) {
        bool group_linked = std::any_of(
            draft.recipients.begin(), draft.recipients.end(),
            [&](const MailRecipient& r) { return r.kind == kind && has_backslash(r.address); });
        MailDraft& target = group_linked                 ? linked
                            : kind == RecipientKind::kTo ? main_recipients
                                                         : plain;
        for (const auto& r : draft.recipients) {
            if (r.kind == kind) target.recipients.push_back(r);
        }
    }
    std::vector<std::string> args = XdgEmailArguments(plain);
    if (!linked.subject.empty() || !linked.body.empty() || !linked.attachments.empty() ||
        !linked.recipients.empty()) {
        // Evolution's form is plain RFC 6068 plus "attach", which xdg-email
        // also uses; its "to" goes in the query so that the link has no path.
        std::string link = EvolutionMailtoUri(linked);
        std::string query = link.substr(link.find(':') + 1);
        std::string to = query.substr(0, query.find('?'));
        query = query.find('?') == std::string::npos ? "" : query.substr(query.find('?') + 1);
        if (!to.empty()) query = "to=" + to + (query.empty() ? "" : "&" + query);
        args.push_back("mailto:?" + query);
    }
    std::vector<std::string> to_args = XdgEmailArguments(main_recipients);
    args.insert(args.end(), to_args.begin() + 1, to_args.end());
    return args;
}

std::string ThunderbirdComposeArgument(const MailDraft& draft) {
    std::vector<std::string> fields;
    auto add_list = [&](std::string_view key, RecipientKind kind) {
        auto addresses = AddressesOf(draft, kind);
        if (!addresses.empty()) {
            fields.push_back(std::string(key) + "=" + PercentEncode(Joined(addresses, ",")));
        }
    };
    add_list("to", RecipientKind::kTo);
    add_list("cc", RecipientKind::kCc);
    add_list("bcc", RecipientKind::kBcc);
    std::string subject = ComposerSubject(draft.subject);
    if (!subject.empty()) fields.push_back("subject=" + PercentEncode(subject));
    std::string body = BodyWithLineEnds(draft.body, "\r\n");
    if (!body.empty()) fields.push_back("body=" + PercentEncode(body));
    if (!draft.attachments.empty()) {
        // Thunderbird splits this list at commas and reads each item as a
        // URL: a comma or quote in a file name is percent-encoded, so it can
        // neither split the list nor end the quoted value.
        std::vector<std::string> urls;
        for (const auto& attachment : draft.attachments) {
            urls.push_back("file://" + PercentEncode(AbsolutePath(attachment.path), "/"));
        }
        fields.push_back("attachment='" + Joined(urls, ",") + "'");
    }
    return Joined(fields, ",");
}

std::string EvolutionMailtoUri(const MailDraft& draft) {
    std::vector<std::string> to;
    for (const auto& a : AddressesOf(draft, RecipientKind::kTo)) to.push_back(PercentEncode(a));
    std::vector<std::string> query;
    for (const auto& a : AddressesOf(draft, RecipientKind::kCc)) {
        query.push_back("cc=" + PercentEncode(a));
    }
    for (const auto& a : AddressesOf(draft, RecipientKind::kBcc)) {
        query.push_back("bcc=" + PercentEncode(a));
    }
    std::string subject = ComposerSubject(draft.subject);
    if (!subject.empty()) query.push_back("subject=" + PercentEncode(subject));
    std::string body = BodyWithLineEnds(draft.body, "\r\n");
    if (!body.empty()) query.push_back("body=" + PercentEncode(body));
    for (const auto& attachment : draft.attachments) {
        query.push_back("attach=" + PercentEncode(AbsolutePath(attachment.path), "/"));
    }
    std::string uri = "mailto:" + Joined(to, ",");
    if (!query.empty()) uri += "?" + Joined(query, "&");
    return uri;
}

std::size_t ComposerTextSize(const MailDraft& draft) {
    std::size_t n = 64;  // "mailto:?", keys and separators
    for (const auto& r : draft.recipients) n += EncodedSize(r.address) + 8;
    n += EncodedSize(draft.subject);
    n += EncodedSize(draft.body);
    for (const auto& attachment : draft.attachments) {
        n += EncodedSize(AbsolutePath(attachment.path)) + 16;
    }
    return n;
}

std::string LeadingLinesWithin(std::string_view body, std::size_t budget) {
    std::size_t used = 0;
    std::size_t end = 0;
    while (end < body.size()) {
        std::size_t line_end = body.find('\n', end);
        std::size_t next = line_end == std::string_view::npos ? body.size() : line_end + 1;
        std::size_t cost = EncodedSize(body.substr(end, next - end));
        if (used + cost > budget) break;
        used += cost;
        end = next;
    }
    return std::string(body.substr(0, end));
}

MailProgram ClassifyMailProgram(std::string_view desktop_id, const std::vector<std::string>& exec) {
    std::string names = Lower(desktop_id);
    for (const auto& word : exec) {
        names += ' ';
        names += Lower(std::filesystem::path(word).filename().string());
    }
    if (names.find("thunderbird") != std::string::npos ||
        names.find("icedove") != std::string::npos) {
        return MailProgram::kThunderbird;
    }
    if (names.find("evolution") != std::string::npos) return MailProgram::kEvolution;
    return MailProgram::kOther;
}

std::vector<std::string> DesktopExecWords(std::string_view exec_value) {
    // First the general escapes of desktop-entry values, then the quoting of
    // the Exec key itself.
    std::string value;
    for (std::size_t i = 0; i < exec_value.size(); ++i) {
        char c = exec_value[i];
        if (c == '\\' && i + 1 < exec_value.size()) {
            char n = exec_value[++i];
            switch (n) {
                case 's':
                    value += ' ';
                    break;
                case 'n':
                    value += '\n';
                    break;
                case 't':
                    value += '\t';
                    break;
                case 'r':
                    value += '\r';
                    break;
                case '\\':
                    value += '\\';
                    break;
                default:
                    value += '\\';
                    value += n;
            }
        } else {
            value += c;
        }
    }
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    bool quoted = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < value.size()) {
                word += value[++i];
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = true;
            in_word = true;
        } else if (c == ' ' || c == '\t') {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else if (c == '%' && i + 1 < value.size()) {
            char code = value[++i];
            if (code == '%') word += '%';
            in_word = in_word || code == '%';
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

ComposeOutcome OutcomeOfXdgEmailExit(int exit_code) {
    switch (exit_code) {
        case 0:
            return ComposeOutcome::kHandedOver;
        case 2:
            return ComposeOutcome::kAttachmentMissing;
        case 3:
            return ComposeOutcome::kNoComposer;
        case 5:
            return ComposeOutcome::kAttachmentUnreadable;
        default:
            return ComposeOutcome::kComposerFailed;
    }
}

}  // namespace papyrion
