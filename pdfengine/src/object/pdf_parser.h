#pragma once
// TPDFParser turns PDF text into objects of a TPDFStructure: the one parser
// for file objects, for copies between documents and for texts the engine
// builds. It is forgiving: what cannot be read ends the object being read,
// it never throws and never recurses deeper than kMaxDepth.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "object/pdf_structure.h"

namespace papyrion::pdf {

// Inline: the parser asks these for every byte it reads.
inline bool IsPdfWhitespace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

inline bool IsPdfDelimiter(char c) {
    switch (c) {
        case '(':
        case ')':
        case '<':
        case '>':
        case '[':
        case ']':
        case '{':
        case '}':
        case '/':
        case '%':
            return true;
        default:
            return false;
    }
}

class TPDFParser {
  public:
    // Arrays and dictionaries nested deeper than this make the whole
    // object unreadable; real files stay far below it.
    static constexpr int kMaxDepth = 256;

    TPDFParser(TPDFStructure& structure, std::string_view text, std::size_t position = 0)
        : structure_(structure), text_(text), pos_(position) {}

    // One object from the current position; nullptr (position unchanged)
    // when none can be read there.
    TPDFObject* ParseObject();

    // Skips whitespace and comments.
    void SkipWhitespace();
    // Consumes `word` when it is the next token.
    bool ConsumeKeyword(std::string_view word);
    // Reads an unsigned integer token (used for "N G obj").
    std::optional<std::int64_t> ReadUnsignedInteger();

    std::size_t Position() const { return pos_; }
    void SetPosition(std::size_t position) { pos_ = position; }
    std::string_view Text() const { return text_; }
    bool AtEnd() const { return pos_ >= text_.size(); }

  private:
    TPDFObject* ParseAt(int depth);
    TPDFObject* ParseDictionary(int depth);
    TPDFObject* ParseArray(int depth);
    TPDFObject* ParseNumberOrReference();
    TPDFObject* ParseName();
    std::string ReadNameBytes();
    TPDFObject* ParseHexString();
    TPDFObject* ParseLiteralString();
    std::string_view PeekToken() const;

    TPDFStructure& structure_;
    std::string_view text_;
    std::size_t pos_;
    bool too_deep_ = false;
    // Entries of the dictionaries being read, innermost last.
    std::vector<TPDFDictionary::Entry> pending_entries_;
};

// Parses a number token ("12", "-.5", "3.") the forgiving way: the longest
// numeric prefix counts, no digits at all reads as 0.
double ParsePdfNumber(std::string_view token);

}  // namespace papyrion::pdf
