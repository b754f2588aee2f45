#include "object/pdf_parser.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace papyrion::pdf {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// An integer in the sense of references: no "." and at most 8 characters.
bool IsIntegerToken(std::string_view token) {
    if (token.empty() || token.size() > 8) return false;
    std::size_t i = (token[0] == '-' || token[0] == '+') ? 1 : 0;
    if (i == token.size()) return false;
    for (; i < token.size(); ++i) {
        if (!IsDigit(token[i])) return false;
    }
    return true;
}

bool IsUnsignedIntegerToken(std::string_view token) {
    return IsIntegerToken(token) && IsDigit(token[0]);
}

}  // namespace

double ParsePdfNumber(std::string_view token) {
    // Most numbers are plain integers (object numbers, lengths, offsets):
    // exact as doubles, so no detour through text conversion.
    if (!token.empty() && token.size() <= 15) {
        std::int64_t integer = 0;
        bool plain = true;
        for (char c : token) {
            if (!IsDigit(c)) {
                plain = false;
                break;
            }
            integer = integer * 10 + (c - '0');
        }
        if (plain) return static_cast<double>(integer);
    }
    std::string clean;
    std::size_t i = 0;
    bool negative = false;
    while (i < token.size() && (token[i] == '-' || token[i] == '+')) {
        if (token[i] == '-') negative = !negative;
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < token.size(); ++i) {
        char c = token[i];
        if (IsDigit(c)) {
            clean.push_back(c);
            digits = true;
        } else if (c == '.' && !point) {
            clean.push_back(c);
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return 0.0;
    if (clean.front() == '.') clean.insert(clean.begin(), '0');
    if (clean.back() == '.') clean.pop_back();
    double value = 0.0;
    std::from_chars(clean.data(), clean.data() + clean.size(), value);
    return negative ? -value : value;
}

void TPDFParser::SkipWhitespace() {
    while (pos_ < text_.size()) {
        char c = text_[pos_];
        if (IsPdfWhitespace(c)) {
            ++pos_;
        } else if (c == '%') {
            while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
        } else {
            break;
        }
    }
}

std::string_view TPDFParser::PeekToken() const {
    std::size_t end = pos_;
    while (end < text_.size() && !IsPdfWhitespace(text_[end]) && !IsPdfDelimiter(text_[end])) {
        ++end;
    }
    return text_.substr(pos_, end - pos_);
}

bool TPDFParser::ConsumeKeyword(std::string_view word) {
    std::size_t saved = pos_;
    SkipWhitespace();
    if (PeekToken() == word) {
        pos_ += word.size();
        return true;
    }
    pos_ = saved;
    return false;
}

std::optional<std::int64_t> TPDFParser::ReadUnsignedInteger() {
    std::size_t saved = pos_;
    SkipWhitespace();
    std::string_view token = PeekToken();
    if (token.empty() || token.size() > 10) {
        pos_ = saved;
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : token) {
        if (!IsDigit(c)) {
            pos_ = saved;
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    pos_ += token.size();
    return value;
}

TPDFObject* TPDFParser::ParseObject() {
    too_deep_ = false;
    std::size_t saved = pos_;
    TPDFObject* object = ParseAt(0);
    if (object == nullptr || too_deep_) {
        pos_ = saved;
        return nullptr;
    }
    return object;
}

TPDFObject* TPDFParser::ParseAt(int depth) {
    if (depth > kMaxDepth) {
        too_deep_ = true;
        return nullptr;
    }
    SkipWhitespace();
    if (pos_ >= text_.size()) return nullptr;
    char c = text_[pos_];
    switch (c) {
        case '<':
            if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '<') return ParseDictionary(depth);
            return ParseHexString();
        case '[':
            return ParseArray(depth);
        case '(':
            return ParseLiteralString();
        case '/':
            return ParseName();
        default:
            break;
    }
    if (c == '-' || c == '+' || c == '.' || IsDigit(c)) return ParseNumberOrReference();
    std::string_view token = PeekToken();
    if (token == "true" || token == "false") {
        pos_ += token.size();
        return structure_.MakeBoolean(token == "true");
    }
    if (token == "null") {
        pos_ += token.size();
        return structure_.MakeNull();
    }
    return nullptr;
}

TPDFObject* TPDFParser::ParseDictionary(int depth) {
    pos_ += 2;
    TPDFDictionary* dictionary = structure_.MakeDictionary();
    // Entries gather on a stack shared with the nested dictionaries, so each
    // dictionary takes its entries in one allocation of the right size.
    const std::size_t first = pending_entries_.size();
    auto drop_pending = [&] {
        pending_entries_.erase(pending_entries_.begin() + static_cast<std::ptrdiff_t>(first),
                               pending_entries_.end());
    };
    for (;;) {
        SkipWhitespace();
        if (pos_ >= text_.size() || text_[pos_] != '/') break;
        // Keys are kept as plain bytes, not as name objects of their own.
        std::string key = ReadNameBytes();
        TPDFObject* value = ParseAt(depth + 1);
        if (too_deep_) {
            drop_pending();
            return nullptr;
        }
        if (value == nullptr) break;
        // Lookups take the first entry of a key; a later duplicate would
        // only make the written file ambiguous.
        const auto begin = pending_entries_.begin() + static_cast<std::ptrdiff_t>(first);
        const bool duplicate = std::any_of(begin, pending_entries_.end(),
                                           [&](const auto& entry) { return entry.key == key; });
        if (!duplicate) pending_entries_.push_back(TPDFDictionary::Entry{std::move(key), value});
    }
    dictionary->AppendEntries(pending_entries_.begin() + static_cast<std::ptrdiff_t>(first),
                              pending_entries_.end());
    drop_pending();
    // A missing ">>" is forgiven: the entries read so far make the dictionary.
    if (pos_ + 1 < text_.size() && text_[pos_] == '>' && text_[pos_ + 1] == '>') pos_ += 2;
    return dictionary;
}

TPDFObject* TPDFParser::ParseArray(int depth) {
    ++pos_;
    TPDFArray* array = structure_.MakeArray();
    for (;;) {
        SkipWhitespace();
        if (pos_ < text_.size() && text_[pos_] == ']') {
            ++pos_;
            break;
        }
        TPDFObject* item = ParseAt(depth + 1);
        if (too_deep_) return nullptr;
        if (item == nullptr) break;
        array->Append(item);
    }
    return array;
}

TPDFObject* TPDFParser::ParseNumberOrReference() {
    std::string_view token = PeekToken();
    if (token.empty()) {
        // A lone sign or point followed by a delimiter.
        token = text_.substr(pos_, 1);
    }
    pos_ += token.size();
    if (IsUnsignedIntegerToken(token)) {
        std::size_t after_first = pos_;
        SkipWhitespace();
        std::string_view second = PeekToken();
        if (IsUnsignedIntegerToken(second)) {
            pos_ += second.size();
            SkipWhitespace();
            if (PeekToken() == "R") {
                ++pos_;
                return structure_.MakeReference(static_cast<int>(ParsePdfNumber(token)),
                                                static_cast<int>(ParsePdfNumber(second)));
            }
        }
        pos_ = after_first;
    }
    return structure_.MakeNumeric(ParsePdfNumber(token));
}

std::string TPDFParser::ReadNameBytes() {
    ++pos_;
    std::size_t end = pos_;
    while (end < text_.size() && !IsPdfWhitespace(text_[end]) && !IsPdfDelimiter(text_[end]) &&
           text_[end] != '#') {
        ++end;
    }
    if (end == text_.size() || text_[end] != '#') {
        // No escapes: the name is its bytes as written.
        std::string bytes(text_.substr(pos_, end - pos_));
        pos_ = end;
        return bytes;
    }
    std::string bytes;
    while (pos_ < text_.size() && !IsPdfWhitespace(text_[pos_]) && !IsPdfDelimiter(text_[pos_])) {
        char c = text_[pos_];
        if (c == '#' && pos_ + 2 < text_.size() && HexValue(text_[pos_ + 1]) >= 0 &&
            HexValue(text_[pos_ + 2]) >= 0) {
            bytes.push_back(
                static_cast<char>(HexValue(text_[pos_ + 1]) * 16 + HexValue(text_[pos_ + 2])));
            pos_ += 3;
        } else {
            bytes.push_back(c);
            ++pos_;
        }
    }
    return bytes;
}

TPDFObject* TPDFParser::ParseName() { return structure_.MakeName(ReadNameBytes()); }

TPDFObject* TPDFParser::ParseHexString() {
    std::size_t end = text_.find('>', pos_ + 1);
    if (end == std::string_view::npos) return nullptr;
    std::string bytes;
    int high = -1;
    for (std::size_t i = pos_ + 1; i < end; ++i) {
        int value = HexValue(text_[i]);
        if (value < 0) continue;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0) bytes.push_back(static_cast<char>(high * 16));
    pos_ = end + 1;
    return structure_.MakeString(std::move(bytes), StringMode::kHexadecimal);
}

TPDFObject* TPDFParser::ParseLiteralString() {
    std::size_t i = pos_ + 1;
    std::string bytes;
    int open = 1;
    while (i < text_.size()) {
        char c = text_[i++];
        if (c == '\\') {
            if (i >= text_.size()) break;
            char e = text_[i++];
            switch (e) {
                case 'n':
                    bytes.push_back('\n');
                    break;
                case 'r':
                    bytes.push_back('\r');
                    break;
                case 't':
                    bytes.push_back('\t');
                    break;
                case 'b':
                    bytes.push_back('\b');
                    break;
                case 'f':
                    bytes.push_back('\f');
                    break;
                case '\r':
                    if (i < text_.size() && text_[i] == '\n') ++i;
                    break;
                case '\n':
                    break;
                default:
                    if (e >= '0' && e <= '7') {
                        int value = e - '0';
                        for (int k = 0;
                             k < 2 && i < text_.size() && text_[i] >= '0' && text_[i] <= '7'; ++k) {
                            value = value * 8 + (text_[i++] - '0');
                        }
                        bytes.push_back(static_cast<char>(value & 0xFF));
                    } else {
                        // "\(", "\)", "\\" and unknown escapes give the character.
                        bytes.push_back(e);
                    }
                    break;
            }
        } else if (c == '(') {
            ++open;
            bytes.push_back(c);
        } else if (c == ')') {
            if (--open == 0) {
                pos_ = i;
                return structure_.MakeString(std::move(bytes), StringMode::kLiteral);
            }
            bytes.push_back(c);
        } else if (c == '\r') {
            if (i < text_.size() && text_[i] == '\n') ++i;
            bytes.push_back('\n');
        } else {
            bytes.push_back(c);
        }
    }
    return nullptr;
}

}  // namespace papyrion::pdf
