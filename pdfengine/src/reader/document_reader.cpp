// Reading a file into a TPDFDocument: header, cross-reference data, object
// list, encryption, catalog check and linearisation removal.

#include <algorithm>
#include <exception>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "document/pdf_document.h"
#include "object/pdf_keys.h"
#include "object/pdf_parser.h"
#include "reader/object_scan.h"
#include "reader/xref_reader.h"

namespace papyrion::pdf {

namespace {

constexpr std::size_t kHeaderWindow = 1024;
constexpr std::string_view kHeader = "%PDF-";
// A trailer or a dictionary found by the scan is parsed from this much text
// at most, so that many of them stay linear work.
constexpr std::size_t kParseWindow = 64 * 1024;
// How far into an object found by the scan its type is looked for.
constexpr std::size_t kLookWindow = 4096;

// True when every in-use entry points at its own object's header.
bool EntriesVerify(std::string_view bytes, const CrossReferenceData& data) {
    return std::all_of(data.entries.begin(), data.entries.end(), [&](const XrefEntry& entry) {
        return entry.kind != 'n' ||
               HeaderAt(bytes, entry.field2, entry.number, static_cast<int>(entry.field3));
    });
}

bool IsVersionNumber(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.') return false;
    return std::count(text.begin(), text.end(), '.') <= 1;
}

std::int32_t PermissionBits(const TPDFDictionary& encrypt) {
    // "P" is a signed 32-bit value; some writers store it unsigned.
    auto value = encrypt.TryNumber(encrypt_key::kP);
    if (!value) return 0;
    auto integer = static_cast<std::int64_t>(*value);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(integer & 0xFFFFFFFF));
}

std::string StringOr(const TPDFDictionary& dictionary, std::string_view key) {
    const TPDFString* string = dictionary.TryString(key);
    return string != nullptr ? string->Bytes() : std::string();
}

CryptMethod MethodOfFilter(const TPDFDictionary& encrypt, std::string_view filter_key) {
    auto name = encrypt.TryName(filter_key);
    // No entry means the identity filter.
    if (!name || *name == "Identity") return CryptMethod::kNone;
    const TPDFDictionary* filters = encrypt.TryDictionary(encrypt_key::kCF);
    const TPDFDictionary* filter = filters != nullptr ? filters->TryDictionary(*name) : nullptr;
    if (filter == nullptr) return CryptMethod::kNone;
    auto method = filter->TryName(encrypt_key::kCFM);
    if (!method) return CryptMethod::kNone;
    if (*method == "V2") return CryptMethod::kRC4;
    if (*method == "AESV2") return CryptMethod::kAESV2;
    if (*method == "AESV3") return CryptMethod::kAESV3;
    return CryptMethod::kNone;
}

}  // namespace

ReadResult TPDFDocument::Read(std::string bytes, std::string_view password) {
    std::optional<ReadResult> first_result;
    bool scan_anyway = false;
    bool junk_cut = false;
    for (;;) {
        Clear();
        bytes_ = std::move(bytes);
        // Junk before the header is cut off before anything is rebuilt: the
        // offsets are then usually right again.
        const bool junk = !junk_cut && bytes_.find(kHeader, 1) != std::string::npos &&
                          bytes_.rfind(kHeader, 0) != 0;
        ReadResult result = ReadOnce(password, scan_anyway, !junk);
        if (result == ReadResult::kRead) {
            if (junk_cut) AddWarning("junk before the header cut off");
            return result;
        }
        if (result == ReadResult::kNotReadable && !rebuilt_ && !scan_anyway && !junk) {
            // The table verified but led to no page tree: rebuild it from the file.
            scan_anyway = true;
            bytes = std::move(bytes_);
            continue;
        }
        if (!junk_cut) {
            std::size_t header = bytes_.find(kHeader, 1);
            if (header != std::string::npos) {
                // Junk before the header shifts every offset; try again without
                // it. Shifted offsets can also cut the encryption dictionary
                // short and look like a wrong password, so that case retries too.
                first_result = result;
                bytes = bytes_.substr(header);
                junk_cut = true;
                scan_anyway = false;
                continue;
            }
        }
        Clear();
        // A refused password stays the answer unless the retry read the file.
        if (first_result == ReadResult::kPasswordRejected) return *first_result;
        return result;
    }
}

bool TPDFDocument::ReadHeader() {
    std::string_view window = std::string_view(bytes_).substr(0, kHeaderWindow);
    std::size_t version_start = std::string_view::npos;
    std::size_t header = window.find(kHeader);
    if (header != std::string_view::npos) {
        version_start = header + kHeader.size();
    } else {
        std::size_t postscript = window.find("%!PS-Adobe-");
        if (postscript == std::string_view::npos) return false;
        std::size_t pdf = window.find("PDF-", postscript);
        if (pdf == std::string_view::npos) return false;
        version_start = pdf + 4;
    }
    std::size_t end = version_start;
    while (end < bytes_.size() &&
           ((bytes_[end] >= '0' && bytes_[end] <= '9') || bytes_[end] == '.')) {
        ++end;
    }
    std::string version = bytes_.substr(version_start, end - version_start);
    if (!IsVersionNumber(version)) return false;
    version_ = version;
    return true;
}

ReadResult TPDFDocument::ReadOnce(std::string_view password, bool scan_anyway, bool may_scan) {
    try {
        if (!ReadHeader()) return ReadResult::kNotReadable;
        std::optional<CrossReferenceData> data;
        if (!scan_anyway)
            data = ReadCrossReferences(bytes_, FindStartXref(bytes_), structure_, warnings_);
        if (may_scan && (scan_anyway || !data || data->damaged || !EntriesVerify(bytes_, *data))) {
            data = RebuildCrossReferences(std::move(data));
        }
        if (!data) return ReadResult::kNotReadable;

        trailer_ = data->trailer;
        for (std::string_view key :
             {trailer_key::kPrev, key::kType, trailer_key::kW, trailer_key::kIndex, key::kLength,
              key::kFilter, key::kDecodeParms}) {
            trailer_->Remove(key);
        }
        section_offsets_ = data->section_offsets;
        BuildObjectList(*data);

        if (trailer_->Contains(trailer_key::kEncrypt)) {
            ReadResult opened = OpenEncryption(password);
            if (opened != ReadResult::kRead) return opened;
        }
        if (rebuilt_) AddObjectStreamContents();

        TPDFDictionary* catalog = Catalog();
        if ((catalog == nullptr || catalog->TryDictionary(page_key::kPages) == nullptr) &&
            !(rebuilt_ && UseCatalogFoundByType())) {
            AddWarning("no catalog with a page tree");
            return ReadResult::kNotReadable;
        }
        if (rebuilt_) RecountPageTree();
        RemoveLinearisation();
        return ReadResult::kRead;
    } catch (const std::exception& error) {
        AddWarning(std::string("reading failed: ") + error.what());
        return ReadResult::kNotReadable;
    }
}

std::optional<CrossReferenceData> TPDFDocument::RebuildCrossReferences(
    std::optional<CrossReferenceData> table) {
    ScannedObjects scan = ScanForObjects(bytes_);
    if (scan.entries.empty()) return table;
    rebuilt_ = true;
    CrossReferenceData data;
    if (table) {
        // The table's entries stand where they verify; one that points at
        // something else is taken from the scan, and what the table lost is added.
        data = std::move(*table);
        std::unordered_set<int> listed;
        for (XrefEntry& entry : data.entries) {
            listed.insert(entry.number);
            if (entry.kind != 'n' ||
                HeaderAt(bytes_, entry.field2, entry.number, static_cast<int>(entry.field3))) {
                continue;
            }
            if (const XrefEntry* found = FindEntry(scan.entries, entry.number)) entry = *found;
        }
        for (const XrefEntry& entry : scan.entries) {
            if (listed.count(entry.number) == 0) data.entries.push_back(entry);
        }
    } else {
        data.entries = scan.entries;
    }
    for (const XrefEntry& entry : data.entries) {
        data.highest_number = std::max(data.highest_number, entry.number);
    }
    data.boundaries = std::move(scan.boundaries);
    if (data.trailer == nullptr || !data.trailer->Contains(trailer_key::kRoot)) {
        data.trailer = TrailerFromScan(scan);
    }
    AddWarning(table ? "cross-reference table repaired by scanning the file"
                     : "cross-reference data rebuilt by scanning the file");
    return data;
}

TPDFDictionary* TPDFDocument::TrailerFromScan(const ScannedObjects& scan) {
    // The last trailer that names a catalog.
    for (auto it = scan.trailers.rbegin(); it != scan.trailers.rend(); ++it) {
        TPDFParser parser(structure_, std::string_view(bytes_).substr(*it, kParseWindow));
        TPDFObject* object = parser.ParseObject();
        auto* dictionary = object != nullptr ? object->As<TPDFDictionary>() : nullptr;
        if (dictionary != nullptr && dictionary->Contains(trailer_key::kRoot)) return dictionary;
    }
    // Files with cross-reference streams keep their trailer in the stream's dictionary.
    std::vector<XrefEntry> by_offset = scan.entries;
    std::sort(by_offset.begin(), by_offset.end(),
              [](const XrefEntry& a, const XrefEntry& b) { return a.field2 > b.field2; });
    for (const XrefEntry& entry : by_offset) {
        auto at = static_cast<std::size_t>(entry.field2);
        std::string_view text = std::string_view(bytes_).substr(at, kParseWindow);
        if (text.substr(0, kLookWindow).find("/XRef") == std::string_view::npos) continue;
        TPDFParser parser(structure_, text);
        if (!parser.ReadUnsignedInteger() || !parser.ReadUnsignedInteger() ||
            !parser.ConsumeKeyword("obj")) {
            continue;
        }
        TPDFObject* object = parser.ParseObject();
        auto* dictionary = object != nullptr ? object->As<TPDFDictionary>() : nullptr;
        if (dictionary != nullptr && dictionary->HasName(key::kType, name::kXRef) &&
            dictionary->Contains(trailer_key::kRoot)) {
            return dictionary;
        }
    }
    // None: the catalog is looked for by its type once the objects are known.
    return structure_.MakeDictionary();
}

void TPDFDocument::AddObjectStreamContents() {
    // Objects defined at the top level win over copies in object streams;
    // among object streams the one later in the file wins.
    std::vector<const TPDFIndObj*> streams;
    for (const auto& object : objects_) {
        if (object->in_object_stream) continue;
        std::string_view text = std::string_view(bytes_).substr(object->offset, object->length);
        if (text.substr(0, kLookWindow).find("/ObjStm") != std::string_view::npos) {
            streams.push_back(object.get());
        }
    }
    std::sort(streams.begin(), streams.end(),
              [](const TPDFIndObj* a, const TPDFIndObj* b) { return a->offset < b->offset; });
    std::unordered_map<int, std::pair<int, int>> held;  // number -> (stream, index)
    for (const TPDFIndObj* stream : streams) {
        const ObjectStreamData* data = ObjectStream(stream->number);
        if (data == nullptr || !data->usable) continue;
        for (std::size_t i = 0; i < data->header.size(); ++i) {
            std::int64_t number = data->header[i].first;
            if (number <= 0 || number > kMaxObjectNumber) continue;
            held[static_cast<int>(number)] = {stream->number, static_cast<int>(i)};
        }
    }
    bool added = false;
    for (const auto& [number, place] : held) {
        if (FindIndObj(number) != nullptr) continue;
        auto object = std::make_unique<TPDFIndObj>();
        object->number = number;
        object->in_object_stream = true;
        object->stream_number = place.first;
        object->stream_index = place.second;
        objects_.push_back(std::move(object));
        added = true;
    }
    if (!added) return;
    std::sort(objects_.begin(), objects_.end(),
              [](const auto& a, const auto& b) { return a->number < b->number; });
    RebuildIndex();
}

bool TPDFDocument::UseCatalogFoundByType() {
    // The last catalog with a page tree; its text is looked at before it is parsed.
    TPDFDictionary* found = nullptr;
    const TPDFIndObj* found_entry = nullptr;
    for (const auto& object : objects_) {
        if (!object->in_object_stream) {
            std::string_view text = std::string_view(bytes_).substr(object->offset, object->length);
            if (text.substr(0, kLookWindow).find("/Catalog") == std::string_view::npos) continue;
        } else {
            const ObjectStreamData* data = ObjectStream(object->stream_number);
            if (data == nullptr || data->data.find("/Catalog") == std::string::npos) continue;
        }
        TPDFObject* loaded = Load(*object);
        auto* dictionary = loaded != nullptr ? loaded->As<TPDFDictionary>() : nullptr;
        if (dictionary == nullptr || !dictionary->HasName(key::kType, name::kCatalog) ||
            dictionary->TryDictionary(page_key::kPages) == nullptr) {
            continue;
        }
        if (found_entry == nullptr || object->offset >= found_entry->offset) {
            found = dictionary;
            found_entry = object.get();
        }
    }
    if (found == nullptr) return false;
    trailer_->Set(trailer_key::kRoot, structure_.MakeReference(*found));
    if (!trailer_->Contains(trailer_key::kSize)) {
        trailer_->Set(trailer_key::kSize,
                      structure_.MakeNumeric(static_cast<double>(HighestObjectNumber()) + 1));
    }
    AddWarning("no trailer names the catalog; took object " + std::to_string(found_entry->number));
    return true;
}

void TPDFDocument::RecountPageTree() {
    // A rebuilt file's counts are not trusted: every node gets the number of
    // pages it really holds. The walk keeps its own stack and enters each
    // node once, so deep or looping trees end.
    TPDFDictionary* catalog = Catalog();
    TPDFDictionary* root = catalog != nullptr ? catalog->TryDictionary(page_key::kPages) : nullptr;
    if (root == nullptr) return;
    struct Frame {
        TPDFDictionary* node;
        std::size_t next_kid;
        std::int64_t pages;
    };
    std::unordered_set<const TPDFDictionary*> entered{root};
    std::vector<Frame> stack{{root, 0, 0}};
    bool changed = false;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const TPDFArray* kids = frame.node->TryArray(page_key::kKids);
        if (kids != nullptr && frame.next_kid < kids->Size()) {
            TPDFObject* kid = kids->Resolve(frame.next_kid++);
            auto* dictionary = kid != nullptr ? kid->As<TPDFDictionary>() : nullptr;
            if (dictionary == nullptr) continue;
            if (!dictionary->HasName(key::kType, name::kPages) &&
                dictionary->TryArray(page_key::kKids) == nullptr) {
                ++frame.pages;
            } else if (entered.insert(dictionary).second) {
                stack.push_back({dictionary, 0, 0});
            }
            continue;
        }
        const Frame done = frame;
        stack.pop_back();
        if (done.node->TryInteger(page_key::kCount) != done.pages) {
            done.node->Set(page_key::kCount,
                           structure_.MakeNumeric(static_cast<double>(done.pages)));
            changed = true;
        }
        if (!stack.empty()) stack.back().pages += done.pages;
    }
    if (changed) AddWarning("page counts corrected to the pages the page tree holds");
}

void TPDFDocument::BuildObjectList(const CrossReferenceData& data) {
    std::vector<std::int64_t> boundaries = data.section_offsets;
    boundaries.insert(boundaries.end(), data.boundaries.begin(), data.boundaries.end());
    for (const XrefEntry& entry : data.entries) {
        if (entry.kind == 'n') boundaries.push_back(entry.field2);
    }
    // Tables usually list objects in file order and by number: skip sorting what is sorted.
    if (!std::is_sorted(boundaries.begin(), boundaries.end())) {
        std::sort(boundaries.begin(), boundaries.end());
    }
    const auto file_size = static_cast<std::int64_t>(bytes_.size());

    std::vector<XrefEntry> entries = data.entries;
    const auto by_number = [](const XrefEntry& a, const XrefEntry& b) {
        return a.number < b.number;
    };
    if (!std::is_sorted(entries.begin(), entries.end(), by_number)) {
        std::sort(entries.begin(), entries.end(), by_number);
    }
    objects_.reserve(entries.size());
    for (const XrefEntry& entry : entries) {
        auto object = std::make_unique<TPDFIndObj>();
        object->number = entry.number;
        if (entry.kind == 'c') {
            object->in_object_stream = true;
            object->stream_number = static_cast<int>(entry.field2);
            object->stream_index = static_cast<int>(entry.field3);
        } else {
            object->generation = static_cast<int>(std::min<std::int64_t>(entry.field3, 65535));
            std::int64_t begin = std::clamp<std::int64_t>(entry.field2, 0, file_size);
            auto next = std::upper_bound(boundaries.begin(), boundaries.end(), entry.field2);
            std::int64_t end = next == boundaries.end()
                                   ? file_size
                                   : std::clamp<std::int64_t>(*next, 0, file_size);
            object->offset = static_cast<std::size_t>(begin);
            object->length = static_cast<std::size_t>(std::max<std::int64_t>(0, end - begin));
        }
        objects_.push_back(std::move(object));
    }
    RebuildIndex();
}

ReadResult TPDFDocument::OpenEncryption(std::string_view password) {
    // The encryption dictionary is never decrypted: note its number first.
    if (const auto* ref = trailer_->Get(trailer_key::kEncrypt)->As<TPDFIndRef>()) {
        encrypt_object_number_ = ref->Number();
    }
    const TPDFDictionary* encrypt = trailer_->TryDictionary(trailer_key::kEncrypt);
    if (encrypt == nullptr) return ReadResult::kPasswordRejected;

    EncryptionParams params;
    params.filter = encrypt->TryName(encrypt_key::kFilter).value_or("");
    params.v = static_cast<int>(encrypt->TryInteger(encrypt_key::kV).value_or(0));
    params.r = static_cast<int>(encrypt->TryInteger(encrypt_key::kR).value_or(0));
    params.lengthBits = static_cast<int>(encrypt->TryInteger(encrypt_key::kLength).value_or(40));
    params.o = StringOr(*encrypt, encrypt_key::kO);
    params.u = StringOr(*encrypt, encrypt_key::kU);
    params.oe = StringOr(*encrypt, encrypt_key::kOE);
    params.ue = StringOr(*encrypt, encrypt_key::kUE);
    params.perms = StringOr(*encrypt, encrypt_key::kPerms);
    params.p = PermissionBits(*encrypt);
    if (const TPDFArray* ids = trailer_->TryArray(trailer_key::kId)) {
        TPDFObject* first = ids->Resolve(0);
        if (const auto* id = first != nullptr ? first->As<TPDFString>() : nullptr) {
            params.id0 = id->Bytes();
        }
    }
    params.encryptMetadata = encrypt->TryBoolean(encrypt_key::kEncryptMetadata).value_or(true);
    params.streamMethod = MethodOfFilter(*encrypt, encrypt_key::kStmF);
    params.stringMethod = MethodOfFilter(*encrypt, encrypt_key::kStrF);

    security_ = StandardSecurityHandler::Open(params, password);
    if (!security_) return ReadResult::kPasswordRejected;
    return ReadResult::kRead;
}

void TPDFDocument::RemoveLinearisation() {
    std::string_view window = std::string_view(bytes_).substr(0, kHeaderWindow);
    if (window.find("/Linearized") == std::string_view::npos) return;
    std::size_t obj = window.find(" obj");
    if (obj == std::string_view::npos) return;
    // "N G obj": step back over the generation, then read the number.
    std::size_t pos = obj;
    while (pos > 0 && window[pos - 1] >= '0' && window[pos - 1] <= '9') --pos;
    while (pos > 0 && IsPdfWhitespace(window[pos - 1])) --pos;
    std::size_t number_end = pos;
    while (pos > 0 && window[pos - 1] >= '0' && window[pos - 1] <= '9') --pos;
    if (pos == number_end || number_end - pos > 9) return;
    int number = std::stoi(std::string(window.substr(pos, number_end - pos)));
    TPDFObject* object = ObjectByNumber(number);
    auto* dictionary = object != nullptr ? object->As<TPDFDictionary>() : nullptr;
    if (dictionary == nullptr || !dictionary->Contains(name::kLinearized)) return;
    // The written file is never linearised, so its parameters would lie.
    dictionary->Clear();
    linearised_ = true;
}

}  // namespace papyrion::pdf
