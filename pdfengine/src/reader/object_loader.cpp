// Lazy parsing of indirect objects from the kept file bytes or from object
// streams, with "Length" repair and per-object decryption.

#include <algorithm>

#include "document/pdf_document.h"
#include "object/pdf_keys.h"
#include "object/pdf_parser.h"
#include "reader/stream_decoding.h"

namespace papyrion::pdf {

namespace {

// An object whose parsing needs another object ("Length", object stream)
// nests one level; real files need two or three.
constexpr int kMaxLoadDepth = 32;
// Strings and streams nested in one object, walked for decryption.
constexpr int kMaxDecryptDepth = 600;

constexpr std::string_view kEndstream = "endstream";

// The data end moved back over the line end that belongs to "endstream".
std::size_t BeforeEndOfLine(std::string_view text, std::size_t start, std::size_t end) {
    if (end > start && text[end - 1] == '\n') --end;
    if (end > start && text[end - 1] == '\r') --end;
    return end;
}

}  // namespace

TPDFObject* TPDFDocument::Load(TPDFIndObj& entry) {
    if (entry.parsed) return entry.object;
    if (entry.parsing || load_depth_ >= kMaxLoadDepth) {
        AddWarning("object " + std::to_string(entry.number) + " needs itself to be read");
        return nullptr;
    }
    entry.parsing = true;
    ++load_depth_;
    TPDFObject* object = nullptr;
    try {
        object = entry.in_object_stream ? ParseFromObjectStream(entry) : ParseFromFile(entry);
    } catch (...) {
        object = nullptr;
    }
    --load_depth_;
    entry.parsing = false;
    if (object == nullptr) {
        AddWarning("object " + std::to_string(entry.number) + " is unreadable; read as null");
        object = structure_.MakeNull();
    }
    object->MarkIndirect(entry.number, entry.generation);
    entry.object = object;
    entry.parsed = true;
    // Objects inside an object stream were decrypted with their stream.
    if (security_ && !entry.in_object_stream && entry.number != encrypt_object_number_ &&
        !SkipsEncryption(*object)) {
        Decrypt(*object, entry.number, entry.generation);
    }
    entry.decrypted = true;
    return object;
}

bool TPDFDocument::SkipsEncryption(const TPDFObject& object) const {
    const auto* stream = object.As<TPDFStream>();
    if (stream == nullptr) return false;
    const TPDFDictionary& dictionary = stream->Dictionary();
    if (dictionary.HasName(key::kType, name::kXRef)) return true;
    return security_ && !security_->Params().encryptMetadata &&
           dictionary.HasName(key::kType, name::kMetadata);
}

void TPDFDocument::Decrypt(TPDFObject& object, int number, int generation) {
    const auto num = static_cast<std::uint32_t>(number);
    const auto gen = static_cast<std::uint16_t>(generation);
    struct Walker {
        const StandardSecurityHandler& handler;
        std::uint32_t num;
        std::uint16_t gen;
        void Walk(TPDFObject* item, int depth) {
            if (item == nullptr || depth > kMaxDecryptDepth) return;
            switch (item->Kind()) {
                case ObjectKind::kString: {
                    auto* string = item->As<TPDFString>();
                    string->SetBytes(handler.DecryptString(string->Bytes(), num, gen));
                    break;
                }
                case ObjectKind::kArray:
                    for (TPDFObject* child : item->As<TPDFArray>()->Items()) Walk(child, depth + 1);
                    break;
                case ObjectKind::kDictionary:
                    for (const auto& e : item->As<TPDFDictionary>()->Entries())
                        Walk(e.value, depth + 1);
                    break;
                case ObjectKind::kStream: {
                    auto* stream = item->As<TPDFStream>();
                    Walk(&stream->Dictionary(), depth + 1);
                    stream->SetData(handler.DecryptStream(stream->Data(), num, gen));
                    break;
                }
                default:
                    break;
            }
        }
    };
    Walker{*security_, num, gen}.Walk(&object, 0);
}

std::optional<std::int64_t> TPDFDocument::StreamLength(const TPDFDictionary& dictionary) {
    TPDFObject* length = dictionary.Resolve(key::kLength);
    const auto* number = length != nullptr ? length->As<TPDFNumeric>() : nullptr;
    if (number == nullptr) return std::nullopt;
    auto value = number->TryInteger();
    if (!value || *value < 0) return std::nullopt;
    return value;
}

TPDFObject* TPDFDocument::ParseFromFile(const TPDFIndObj& entry) {
    std::string_view text = std::string_view(bytes_).substr(entry.offset, entry.length);
    std::size_t pos = 0;
    while (pos < text.size() && !(text[pos] >= '0' && text[pos] <= '9') && text[pos] != '.') ++pos;
    TPDFParser parser(structure_, text, pos);
    auto number = parser.ReadUnsignedInteger();
    auto generation = parser.ReadUnsignedInteger();
    if (!number || !generation || *number != entry.number || *generation != entry.generation ||
        !parser.ConsumeKeyword("obj")) {
        return nullptr;
    }
    TPDFObject* object = parser.ParseObject();
    auto* dictionary = object != nullptr ? object->As<TPDFDictionary>() : nullptr;
    if (dictionary == nullptr || !parser.ConsumeKeyword("stream")) return object;

    pos = parser.Position();
    while (pos < text.size() &&
           (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\f' || text[pos] == '\0')) {
        ++pos;
    }
    if (pos < text.size() && text[pos] == '\r') {
        ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    } else if (pos < text.size() && text[pos] == '\n') {
        ++pos;
    } else {
        return dictionary;
    }
    const std::size_t start = pos;
    std::size_t end;
    auto length = StreamLength(*dictionary);
    if (!length) {
        std::size_t found = text.find(kEndstream, start);
        end = found == std::string_view::npos ? text.size() : BeforeEndOfLine(text, start, found);
    } else if (static_cast<std::uint64_t>(*length) > text.size() - start) {
        // "Length" runs past the object: end the data at the last "endstream".
        std::size_t found = text.rfind(kEndstream);
        end = found == std::string_view::npos || found < start
                  ? text.size()
                  : BeforeEndOfLine(text, start, found);
    } else {
        end = start + static_cast<std::size_t>(*length);
        std::size_t after = end;
        while (after < text.size() && (text[after] == ' ' || text[after] == '\t')) ++after;
        if (after < text.size() && text[after] == '\r') ++after;
        if (after < text.size() && text[after] == '\n') ++after;
        if (text.substr(after, kEndstream.size()) != kEndstream) {
            // "Length" too short: the data runs on to "endstream".
            std::size_t found = text.find(kEndstream, after);
            if (found != std::string_view::npos) end = BeforeEndOfLine(text, start, found);
        }
    }
    if (end < start) end = start;
    if (length && *length != static_cast<std::int64_t>(end - start)) {
        AddWarning("object " + std::to_string(entry.number) + ": stream length repaired");
    }
    return structure_.MakeStream(std::string(text.substr(start, end - start)), dictionary);
}

const TPDFDocument::ObjectStreamData* TPDFDocument::ObjectStream(int number) {
    auto cached = object_streams_.find(number);
    if (cached != object_streams_.end()) return &cached->second;
    ObjectStreamData data;
    TPDFIndObj* entry = FindIndObj(number);
    // An object stream inside an object stream is not allowed; refusing it
    // also keeps a chain of them from nesting without bound.
    if (entry != nullptr && !entry->in_object_stream) {
        TPDFObject* object = Load(*entry);
        const auto* stream = object != nullptr ? object->As<TPDFStream>() : nullptr;
        if (stream != nullptr && stream->Dictionary().HasName(key::kType, name::kObjStm)) {
            auto first = stream->Dictionary().TryInteger(objstm_key::kFirst);
            auto count = stream->Dictionary().TryInteger(objstm_key::kN);
            data.data = DecodedStreamData(*stream);
            if (first && count && *first > 0 && *count > 0) {
                data.first = static_cast<std::size_t>(*first);
                std::string_view header = std::string_view(data.data).substr(0, data.first);
                TPDFParser parser(structure_, header);
                while (static_cast<std::int64_t>(data.header.size()) < *count) {
                    auto object_number = parser.ReadUnsignedInteger();
                    auto offset = parser.ReadUnsignedInteger();
                    if (!object_number || !offset) break;
                    data.header.emplace_back(*object_number, *offset);
                }
                data.usable = static_cast<std::int64_t>(data.header.size()) == *count;
            }
        }
    }
    if (!data.usable) AddWarning("object stream " + std::to_string(number) + " is unusable");
    return &object_streams_.emplace(number, std::move(data)).first->second;
}

TPDFObject* TPDFDocument::ParseFromObjectStream(const TPDFIndObj& entry) {
    const ObjectStreamData* stream = ObjectStream(entry.stream_number);
    if (stream == nullptr || !stream->usable || entry.stream_index < 0) return nullptr;
    const auto index = static_cast<std::size_t>(entry.stream_index);
    if (index >= stream->header.size() || stream->header[index].first != entry.number) {
        return nullptr;
    }
    const std::size_t size = stream->data.size();
    auto at = [&](std::int64_t offset) {
        return static_cast<std::size_t>(
            std::min<std::uint64_t>(stream->first + static_cast<std::uint64_t>(offset), size));
    };
    std::size_t begin = at(stream->header[index].second);
    std::size_t end =
        index + 1 < stream->header.size() ? at(stream->header[index + 1].second) : size;
    if (end < begin) end = size;
    TPDFParser parser(structure_, std::string_view(stream->data).substr(begin, end - begin));
    return parser.ParseObject();
}

}  // namespace papyrion::pdf
