#include "reader/xref_reader.h"

#include <algorithm>
#include <set>
#include <unordered_set>

#include "object/pdf_keys.h"
#include "object/pdf_parser.h"
#include "reader/stream_decoding.h"

namespace papyrion::pdf {

namespace {

// How far around a section position the section's keyword is looked for.
constexpr std::int64_t kLookBehind = 10;
constexpr std::size_t kLookWindow = 40;
// Widest field of a cross-reference stream entry that fits our integers.
constexpr std::int64_t kMaxFieldWidth = 8;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsPdfWhitespace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsPdfWhitespace(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<std::int64_t> PositiveInteger(std::string_view text) {
    if (text.empty() || text.size() > 15) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value <= 0) return std::nullopt;
    return value;
}

// Reads decimal digits at `pos`; nullopt when there are none.
std::optional<std::int64_t> ReadDigits(std::string_view bytes, std::size_t& pos) {
    std::size_t start = pos;
    std::int64_t value = 0;
    while (pos < bytes.size() && IsDigit(bytes[pos]) && pos - start < 18) {
        value = value * 10 + (bytes[pos] - '0');
        ++pos;
    }
    if (pos == start) return std::nullopt;
    while (pos < bytes.size() && IsDigit(bytes[pos])) ++pos;
    return value;
}

void SkipBlanks(std::string_view bytes, std::size_t& pos) {
    while (pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\t')) ++pos;
}

void SkipLineBreaksAndBlanks(std::string_view bytes, std::size_t& pos) {
    while (pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\r' || bytes[pos] == '\n' ||
                                  bytes[pos] == '\t' || bytes[pos] == '\f' || bytes[pos] == '\0')) {
        ++pos;
    }
}

enum class SectionKind { kClassic, kStream, kNone };

struct Section {
    SectionKind kind = SectionKind::kNone;
    std::size_t keyword_end = 0;  // after "xref", or after " obj"
};

Section ClassifySection(std::string_view bytes, std::int64_t position) {
    Section section;
    if (position < 0 || position >= static_cast<std::int64_t>(bytes.size())) return section;
    std::size_t from = static_cast<std::size_t>(std::max<std::int64_t>(0, position - kLookBehind));
    std::string_view window = bytes.substr(from, kLookWindow);
    std::size_t xref = std::string_view::npos;
    for (std::size_t at = window.find("xref"); at != std::string_view::npos;
         at = window.find("xref", at + 1)) {
        std::size_t absolute = from + at;
        bool ends_startxref = absolute >= 5 && bytes.substr(absolute - 5, 5) == "start";
        if (!ends_startxref) {
            xref = at;
            break;
        }
    }
    std::size_t obj = window.find(" obj");
    if (xref != std::string_view::npos && (obj == std::string_view::npos || xref < obj)) {
        section.kind = SectionKind::kClassic;
        section.keyword_end = from + xref + 4;
    } else if (obj != std::string_view::npos && xref == std::string_view::npos) {
        section.kind = SectionKind::kStream;
        section.keyword_end = from + obj + 4;
    }
    return section;
}

class CrossReferenceCollector {
  public:
    CrossReferenceCollector(std::string_view bytes, TPDFStructure& structure,
                            std::vector<std::string>& warnings)
        : bytes_(bytes), structure_(structure), warnings_(warnings) {}

    // Follows the main chain from `start`; false when a section of it fails.
    bool ReadChain(std::int64_t start) {
        std::int64_t position = start;
        for (;;) {
            if (!visited_.insert(position).second) {
                warnings_.push_back("cross-reference chain loops back to offset " +
                                    std::to_string(position));
                return true;
            }
            std::optional<std::int64_t> prev;
            if (!ReadSection(position, prev)) return false;
            if (!prev) return true;
            position = *prev;
        }
    }

    void RepairOffByOne() {
        // A first subsection numbered from 1 instead of 0: every number is one too high.
        if (data_.entries.empty() || data_.entries.front().number != 2) return;
        const XrefEntry& first = data_.entries.front();
        auto size =
            data_.trailer != nullptr ? data_.trailer->TryInteger(trailer_key::kSize) : std::nullopt;
        if (!size || *size != static_cast<std::int64_t>(data_.entries.size()) + 1) return;
        if (first.kind != 'n' || first.field2 < 0 ||
            bytes_.substr(
                static_cast<std::size_t>(std::min<std::int64_t>(first.field2, bytes_.size())), 7) !=
                "1 0 obj") {
            return;
        }
        for (auto& entry : data_.entries) --entry.number;
        --data_.highest_number;
        warnings_.push_back("cross-reference numbers were one too high; corrected");
    }

    CrossReferenceData Take() { return std::move(data_); }
    bool HasTrailer() const { return data_.trailer != nullptr; }

  private:
    bool ReadSection(std::int64_t position, std::optional<std::int64_t>& prev) {
        Section section = ClassifySection(bytes_, position);
        TPDFDictionary* dictionary = nullptr;
        switch (section.kind) {
            case SectionKind::kClassic:
                dictionary = ReadClassic(section.keyword_end);
                break;
            case SectionKind::kStream:
                dictionary = ReadStream(section.keyword_end);
                break;
            case SectionKind::kNone:
                break;
        }
        if (dictionary == nullptr) {
            warnings_.push_back("no cross-reference section at offset " + std::to_string(position));
            return false;
        }
        data_.section_offsets.push_back(position);
        if (data_.trailer == nullptr) data_.trailer = dictionary;
        if (section.kind == SectionKind::kClassic) {
            if (auto xref_stream = dictionary->TryInteger(trailer_key::kXRefStm)) {
                // Hybrid file: the stream adds the objects the table leaves free.
                // Its failure does not make the file unreadable.
                if (visited_.insert(*xref_stream).second) {
                    std::optional<std::int64_t> ignored;
                    ReadSection(*xref_stream, ignored);
                }
            }
        }
        if (auto previous = dictionary->TryInteger(trailer_key::kPrev)) prev = *previous;
        return true;
    }

    void Record(std::int64_t number, std::int64_t field2, std::int64_t field3, char kind) {
        if (number < 0 || number > kMaxObjectNumber) return;
        int n = static_cast<int>(number);
        if (n == 0 && kind == 'n') return;  // object 0 is always the head of the free list
        if (!seen_.insert(n).second) return;
        data_.entries.push_back(XrefEntry{n, field2, field3, kind});
        data_.highest_number = std::max(data_.highest_number, n);
    }

    TPDFDictionary* ReadClassic(std::size_t pos) {
        for (;;) {
            SkipLineBreaksAndBlanks(bytes_, pos);
            std::string_view head = bytes_.substr(pos, 20);
            if (head.find("trailer") != std::string_view::npos ||
                head.substr(0, 3).find('%') != std::string_view::npos) {
                break;
            }
            std::size_t p = pos;
            if (p < bytes_.size() && !IsDigit(bytes_[p])) ++p;
            auto first = ReadDigits(bytes_, p);
            SkipBlanks(bytes_, p);
            auto count = ReadDigits(bytes_, p);
            if (!first || !count) break;
            pos = p;
            for (std::int64_t i = 0; i < *count; ++i) {
                SkipLineBreaksAndBlanks(bytes_, pos);
                std::size_t q = pos;
                auto offset = ReadDigits(bytes_, q);
                SkipBlanks(bytes_, q);
                auto generation = ReadDigits(bytes_, q);
                SkipBlanks(bytes_, q);
                if (!offset || !generation || q >= bytes_.size() ||
                    (bytes_[q] != 'n' && bytes_[q] != 'f')) {
                    // Two numbers alone on a line: the next subsection came early.
                    if (!offset || pos >= bytes_.size() || !IsDigit(bytes_[pos]) ||
                        (generation && q < bytes_.size() &&
                         (bytes_[q] == '\r' || bytes_[q] == '\n'))) {
                        break;
                    }
                    // An entry that cannot be read: skip its line so that the
                    // entries after it keep their numbers.
                    warnings_.push_back("damaged cross-reference entry near offset " +
                                        std::to_string(pos));
                    data_.damaged = true;
                    std::size_t line_end = bytes_.find_first_of("\r\n", pos);
                    if (line_end == std::string_view::npos) break;
                    pos = line_end;
                    continue;
                }
                if (bytes_[q] == 'n') Record(*first + i, *offset, *generation, 'n');
                pos = q + 1;
            }
        }
        std::size_t trailer = bytes_.find("trailer", pos);
        if (trailer == std::string_view::npos) return nullptr;
        TPDFParser parser(structure_, bytes_, trailer + 7);
        TPDFObject* object = parser.ParseObject();
        return object != nullptr ? object->As<TPDFDictionary>() : nullptr;
    }

    TPDFDictionary* ReadStream(std::size_t pos) {
        TPDFParser parser(structure_, bytes_, pos);
        TPDFObject* object = parser.ParseObject();
        auto* dictionary = object != nullptr ? object->As<TPDFDictionary>() : nullptr;
        if (dictionary == nullptr || !dictionary->HasName(key::kType, name::kXRef)) return nullptr;
        auto size = dictionary->TryInteger(trailer_key::kSize);
        const TPDFArray* widths = dictionary->TryArray(trailer_key::kW);
        if (!size || widths == nullptr || widths->Size() < 3) return nullptr;
        std::int64_t w[3];
        for (std::size_t i = 0; i < 3; ++i) {
            auto width = widths->TryNumber(i);
            if (!width || *width < 0 || *width > kMaxFieldWidth) return nullptr;
            w[i] = static_cast<std::int64_t>(*width);
        }
        std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
        if (const TPDFArray* index = dictionary->TryArray(trailer_key::kIndex)) {
            for (std::size_t i = 0; i + 1 < index->Size(); i += 2) {
                auto first = index->TryNumber(i);
                auto count = index->TryNumber(i + 1);
                if (!first || !count || *first < 0 || *count < 0 ||
                    *first > static_cast<double>(kMaxObjectNumber)) {
                    break;
                }
                ranges.emplace_back(static_cast<std::int64_t>(*first),
                                    static_cast<std::int64_t>(
                                        std::min(*count, static_cast<double>(kMaxObjectNumber))));
            }
        } else {
            ranges.emplace_back(0, std::clamp<std::int64_t>(*size, 0, kMaxObjectNumber + 1));
        }
        std::string_view raw = StreamBytes(parser, *dictionary);
        ChainResult decoded = DecodeStreamData(raw, *dictionary);
        if (!decoded.ok()) warnings_.push_back("cross-reference stream: " + decoded.message);
        ReadStreamEntries(decoded.data, w, ranges);
        return dictionary;
    }

    std::string_view StreamBytes(TPDFParser& parser, const TPDFDictionary& dictionary) {
        if (!parser.ConsumeKeyword("stream")) return {};
        std::size_t pos = parser.Position();
        while (pos < bytes_.size() && (bytes_[pos] == ' ' || bytes_[pos] == '\t' ||
                                       bytes_[pos] == '\f' || bytes_[pos] == '\0')) {
            ++pos;
        }
        if (pos < bytes_.size() && bytes_[pos] == '\r') {
            ++pos;
            if (pos < bytes_.size() && bytes_[pos] == '\n') ++pos;
        } else if (pos < bytes_.size() && bytes_[pos] == '\n') {
            ++pos;
        } else {
            return {};
        }
        const TPDFObject* length_object = dictionary.Get(key::kLength);
        const auto* length = length_object != nullptr ? length_object->As<TPDFNumeric>() : nullptr;
        if (length != nullptr && length->Value() >= 0 &&
            length->Value() <= static_cast<double>(bytes_.size() - pos)) {
            return bytes_.substr(pos, static_cast<std::size_t>(length->Value()));
        }
        std::size_t end = bytes_.find("endstream", pos);
        if (end == std::string_view::npos) end = bytes_.size();
        return bytes_.substr(pos, end - pos);
    }

    void ReadStreamEntries(std::string_view data, const std::int64_t (&w)[3],
                           const std::vector<std::pair<std::int64_t, std::int64_t>>& ranges) {
        const std::size_t entry_size = static_cast<std::size_t>(w[0] + w[1] + w[2]);
        if (entry_size == 0) return;
        std::size_t pos = 0;
        auto field = [&](std::int64_t width) {
            std::uint64_t value = 0;
            for (std::int64_t i = 0; i < width; ++i) {
                value = (value << 8) | static_cast<unsigned char>(data[pos++]);
            }
            return value;
        };
        for (const auto& [first, count] : ranges) {
            for (std::int64_t k = 0; k < count; ++k) {
                if (data.size() - pos < entry_size) return;
                std::uint64_t type = w[0] == 0 ? 1 : field(w[0]);
                std::uint64_t f2 = field(w[1]);
                std::uint64_t f3 = field(w[2]);
                if (f2 > static_cast<std::uint64_t>(INT64_MAX) || f3 > 0x7FFFFFFF) continue;
                auto number = first + k;
                if (type == 1) {
                    Record(number, static_cast<std::int64_t>(f2), static_cast<std::int64_t>(f3),
                           'n');
                } else if (type == 2) {
                    if (f2 > static_cast<std::uint64_t>(kMaxObjectNumber)) continue;
                    Record(number, static_cast<std::int64_t>(f2), static_cast<std::int64_t>(f3),
                           'c');
                }
            }
        }
    }

    std::string_view bytes_;
    TPDFStructure& structure_;
    std::vector<std::string>& warnings_;
    CrossReferenceData data_;
    std::unordered_set<int> seen_;
    std::set<std::int64_t> visited_;
};

}  // namespace

std::int64_t FindStartXref(std::string_view bytes) {
    std::size_t eof = std::string_view::npos;
    std::size_t tail_start = bytes.size() > 10 ? bytes.size() - 10 : 0;
    std::size_t truncated = bytes.substr(tail_start).rfind("%%E");
    if (truncated != std::string_view::npos && bytes.substr(tail_start + truncated, 5) != "%%EOF") {
        eof = tail_start + truncated;
    } else {
        eof = bytes.rfind("%%EOF");
    }
    // A file cut off before "%%EOF" still ends its last section properly.
    if (eof == std::string_view::npos) eof = bytes.size();
    std::size_t startxref = bytes.substr(0, eof).rfind("startxref");
    if (startxref == std::string_view::npos) return 0;
    std::string_view between = bytes.substr(startxref + 9, eof - (startxref + 9));
    std::int64_t position = 0;
    while (!between.empty()) {
        std::size_t line_end = between.find_first_of("\r\n");
        std::string_view line = between.substr(0, line_end);
        between.remove_prefix(line_end == std::string_view::npos ? between.size() : line_end + 1);
        std::size_t comment = line.find('%');
        if (comment != std::string_view::npos) line = line.substr(0, comment);
        if (auto value = PositiveInteger(Trim(line))) position = *value;
    }
    return position;
}

std::optional<CrossReferenceData> ReadCrossReferences(std::string_view bytes, std::int64_t start,
                                                      TPDFStructure& structure,
                                                      std::vector<std::string>& warnings) {
    CrossReferenceCollector collector(bytes, structure, warnings);
    if (!collector.ReadChain(start) || !collector.HasTrailer()) return std::nullopt;
    collector.RepairOffByOne();
    return collector.Take();
}

}  // namespace papyrion::pdf
