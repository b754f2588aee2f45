// Writing a whole TPDFDocument: every object the trailer leads to, in list
// order, one classic cross-reference table of 20-byte entries, the trailer.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <set>
#include <stdexcept>

#include "document/pdf_document.h"
#include "object/pdf_keys.h"
#include "writer/object_reachability.h"
#include "writer/pdf_text.h"

namespace papyrion::pdf {

namespace {

// A comment line of four bytes above 127 tells transfer programs the file is binary.
constexpr std::string_view kBinaryComment = "\x25\xE2\xE3\xCF\xD3\x0A";
constexpr int kMaxGeneration = 65535;

class CountingOutput {
  public:
    explicit CountingOutput(std::ostream& out) : out_(out) {}
    void Write(std::string_view text) {
        out_.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out_) throw std::runtime_error("write failed");
        position_ += text.size();
    }
    std::uint64_t Position() const { return position_; }

  private:
    std::ostream& out_;
    std::uint64_t position_ = 0;
};

std::string TableEntry(std::uint64_t offset, int generation, char kind) {
    char line[32];
    std::snprintf(line, sizeof line, "%010llu %05d %c \n", static_cast<unsigned long long>(offset),
                  generation, kind);
    return line;
}

}  // namespace

bool TPDFDocument::Write(std::ostream& out) {
    try {
        CountingOutput output(out);
        output.Write("%PDF-");
        output.Write(version_.empty() ? std::string("1.4") : version_);
        output.Write("\n");
        output.Write(kBinaryComment);

        const int highest = HighestObjectNumber();
        // Object streams and cross-reference streams describe the old file's
        // layout; their objects are written one by one, so they are not. A
        // damaged table may claim any object as an object stream, so only
        // what really is one is left out.
        std::set<int> skipped;
        for (const auto& entry : objects_) {
            if (entry->in_object_stream) skipped.insert(entry->stream_number);
        }

        // Objects nothing leads to any more (captured pages, replaced content)
        // are left out; their numbers stay free in the table, the others keep
        // theirs.
        // Position in the list by number (the first entry, as lookups find
        // it): the walk then costs one step per reference, not a search.
        const auto none = static_cast<std::uint32_t>(objects_.size());
        std::vector<std::uint32_t> slot(static_cast<std::size_t>(highest) + 1, none);
        for (std::size_t i = objects_.size(); i-- > 0;) {
            const int number = objects_[i]->number;
            if (number > 0 && number <= highest) {
                slot[static_cast<std::size_t>(number)] = static_cast<std::uint32_t>(i);
            }
        }
        const std::vector<bool> reachable = ReachableObjectNumbers(
            *trailer_, highest, objects_.size(), [this, &slot, none](int number) -> TPDFObject* {
                const std::uint32_t at = slot[static_cast<std::size_t>(number)];
                return at != none ? Load(*objects_[at]) : nullptr;
            });

        struct Written {
            std::uint64_t offset;
            int generation;
        };
        std::vector<std::pair<int, Written>> written;
        written.reserve(objects_.size());
        // Index-based: parsing an object may register nothing, but stay safe
        // against the list growing while we walk it.
        for (std::size_t i = 0; i < objects_.size(); ++i) {
            TPDFIndObj& entry = *objects_[i];
            if (entry.number <= 0 || entry.number > highest ||
                !reachable[static_cast<std::size_t>(entry.number)]) {
                continue;
            }
            TPDFObject* object = Load(entry);
            if (object == nullptr) continue;
            if (const auto* stream = object->As<TPDFStream>()) {
                const TPDFDictionary& dictionary = stream->Dictionary();
                if (dictionary.HasName(key::kType, name::kXRef)) continue;
                if (skipped.count(entry.number) != 0 &&
                    dictionary.HasName(key::kType, name::kObjStm)) {
                    continue;
                }
            }
            const int generation = std::clamp(entry.generation, 0, kMaxGeneration);
            PdfTextOptions options;
            options.precision = structure_.NumberPrecision();
            DataTransform encrypt;
            if (security_ && entry.number != encrypt_object_number_) {
                const bool skip_stream = SkipsEncryption(*object);
                const auto num = static_cast<std::uint32_t>(entry.number);
                const auto gen = static_cast<std::uint16_t>(generation);
                const StandardSecurityHandler& handler = *security_;
                encrypt = [&handler, num, gen, skip_stream](std::string_view data, bool is_stream) {
                    if (is_stream) {
                        return skip_stream ? std::string(data)
                                           : handler.EncryptStream(data, num, gen);
                    }
                    return handler.EncryptString(data, num, gen);
                };
                options.transform = &encrypt;
            }
            std::string body = PdfText(*object, options);
            if (body.empty()) continue;
            std::string text =
                std::to_string(entry.number) + " " + std::to_string(generation) + " obj\n" + body;
            if (text.back() != '\n') text += '\n';
            text += "endobj\n";
            written.emplace_back(entry.number, Written{output.Position(), generation});
            output.Write(text);
        }

        const std::uint64_t table = output.Position();
        std::string xref = "xref\n0 " + std::to_string(highest + 1) + "\n";
        xref += TableEntry(0, kMaxGeneration, 'f');
        std::sort(written.begin(), written.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        auto next = written.begin();
        for (int number = 1; number <= highest; ++number) {
            if (next != written.end() && next->first == number) {
                xref += TableEntry(next->second.offset, next->second.generation, 'n');
                ++next;
            } else {
                xref += TableEntry(0, 0, 'f');
            }
            if (xref.size() > (1u << 20)) {
                output.Write(xref);
                xref.clear();
            }
        }
        output.Write(xref);

        trailer_->Remove(trailer_key::kXRefStm);
        // The table just written has highest + 1 entries, whatever the file said.
        trailer_->Set(trailer_key::kSize, structure_.MakeNumeric(highest + 1));
        output.Write("trailer\n");
        output.Write(PdfText(*trailer_));
        output.Write("startxref\n" + std::to_string(table) + "\n%%EOF\n");
        out.flush();
        return static_cast<bool>(out);
    } catch (const std::exception& error) {
        AddWarning(std::string("writing failed: ") + error.what());
        return false;
    }
}

}  // namespace papyrion::pdf
