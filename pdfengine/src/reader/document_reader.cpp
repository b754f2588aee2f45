// Reading a file into a TPDFDocument: header, cross-reference data, object
// list, encryption, catalog check and linearisation removal.

#include <algorithm>
#include <exception>
#include <optional>

#include "document/pdf_document.h"
#include "object/pdf_keys.h"
#include "object/pdf_parser.h"
#include "reader/xref_reader.h"

namespace papyrion::pdf {

namespace {

constexpr std::size_t kHeaderWindow = 1024;
constexpr std::string_view kHeader = "%PDF-";

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
    for (int attempt = 0;; ++attempt) {
        Clear();
        bytes_ = std::move(bytes);
        ReadResult result = ReadResult::kNotReadable;
        try {
            result = ReadOnce(password);
        } catch (const std::exception& error) {
            AddWarning(std::string("reading failed: ") + error.what());
            result = ReadResult::kNotReadable;
        }
        if (result != ReadResult::kRead && attempt == 0) {
            std::size_t header = bytes_.find(kHeader, 1);
            if (header != std::string::npos) {
                // Junk before the header shifts every offset; try again without
                // it. Shifted offsets can also cut the encryption dictionary
                // short and look like a wrong password, so that case retries too.
                first_result = result;
                bytes = bytes_.substr(header);
                continue;
            }
        }
        if (result != ReadResult::kRead) {
            Clear();
            // A refused password stays the answer unless the retry read the file.
            if (first_result == ReadResult::kPasswordRejected) return *first_result;
        }
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

ReadResult TPDFDocument::ReadOnce(std::string_view password) {
    if (!ReadHeader()) return ReadResult::kNotReadable;
    std::int64_t start = FindStartXref(bytes_);
    auto data = ReadCrossReferences(bytes_, start, structure_, warnings_);
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

    TPDFDictionary* catalog = Catalog();
    if (catalog == nullptr || catalog->TryDictionary(page_key::kPages) == nullptr) {
        AddWarning("no catalog with a page tree");
        return ReadResult::kNotReadable;
    }
    RemoveLinearisation();
    return ReadResult::kRead;
}

void TPDFDocument::BuildObjectList(const CrossReferenceData& data) {
    std::vector<std::int64_t> boundaries = data.section_offsets;
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
