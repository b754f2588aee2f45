#include "document/pdf_document.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "crypto/primitives.h"
#include "object/pdf_keys.h"
#include "reader/stream_decoding.h"

namespace papyrion::pdf {

TPDFDocument::TPDFDocument() : structure_(this) { trailer_ = structure_.MakeDictionary(); }

TPDFDocument::~TPDFDocument() = default;

void TPDFDocument::Clear() {
    objects_.clear();
    index_.clear();
    section_offsets_.clear();
    object_streams_.clear();
    security_.reset();
    encrypt_object_number_ = 0;
    linearised_ = false;
    rebuilt_ = false;
    load_depth_ = 0;
    warnings_.clear();
    bytes_.clear();
    version_.clear();
    structure_.Clear();
    trailer_ = structure_.MakeDictionary();
}

void TPDFDocument::AddWarning(std::string text) {
    // A damaged file can repeat the same complaint for every object.
    constexpr std::size_t kMaxWarnings = 200;
    if (warnings_.size() < kMaxWarnings) warnings_.push_back(std::move(text));
}

TPDFDictionary* TPDFDocument::Catalog() {
    TPDFObject* root = trailer_->Resolve(trailer_key::kRoot);
    return root != nullptr ? root->As<TPDFDictionary>() : nullptr;
}

void TPDFDocument::RebuildIndex() {
    index_.clear();
    index_.reserve(objects_.size());
    for (std::size_t i = 0; i < objects_.size(); ++i) index_.emplace_back(objects_[i]->number, i);
    // A freshly read list is in number order already.
    if (!std::is_sorted(index_.begin(), index_.end())) std::sort(index_.begin(), index_.end());
}

TPDFIndObj* TPDFDocument::FindIndObj(int number) {
    auto it =
        std::lower_bound(index_.begin(), index_.end(), std::make_pair(number, std::size_t{0}));
    if (it == index_.end() || it->first != number) return nullptr;
    return objects_[it->second].get();
}

int TPDFDocument::HighestObjectNumber() const { return index_.empty() ? 0 : index_.back().first; }

TPDFObject* TPDFDocument::ObjectByNumber(int number) {
    TPDFIndObj* entry = FindIndObj(number);
    return entry != nullptr ? Load(*entry) : nullptr;
}

TPDFObject* TPDFDocument::ResolveIndirect(int number, int generation) {
    TPDFIndObj* entry = FindIndObj(number);
    if (entry == nullptr || entry->generation != generation) return nullptr;
    return Load(*entry);
}

IndirectId TPDFDocument::RegisterIndirect(TPDFObject& object) {
    if (object.IsIndirect()) return IndirectId{object.ObjectNumber(), object.Generation()};
    IndirectId id{HighestObjectNumber() + 1, 0};
    object.MarkIndirect(id.number, id.generation);
    auto entry = std::make_unique<TPDFIndObj>();
    entry->number = id.number;
    entry->parsed = true;
    entry->decrypted = true;
    entry->object = &object;
    objects_.push_back(std::move(entry));
    // The new number is the highest, so appending keeps the index sorted.
    index_.emplace_back(id.number, objects_.size() - 1);
    trailer_->Set(trailer_key::kSize, structure_.MakeNumeric(id.number + 1));
    return id;
}

TPDFIndRef* TPDFDocument::AddIndirect(TPDFObject& object) {
    IndirectId id = RegisterIndirect(object);
    return structure_.MakeReference(id.number, id.generation);
}

bool TPDFDocument::RemoveIndirect(int number) {
    auto it =
        std::lower_bound(index_.begin(), index_.end(), std::make_pair(number, std::size_t{0}));
    if (it == index_.end() || it->first != number) return false;
    objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(it->second));
    RebuildIndex();
    return true;
}

std::string TPDFDocument::DecodedStreamData(const TPDFStream& stream) const {
    return DecodeStreamData(stream.Data(), stream.Dictionary()).data;
}

namespace {

TPDFArray* NumberArray(TPDFStructure& s, std::initializer_list<double> values) {
    TPDFArray* array = s.MakeArray();
    for (double v : values) array->Append(s.MakeNumeric(v));
    return array;
}

TPDFArray* NameArray(TPDFStructure& s, std::initializer_list<std::string_view> names) {
    TPDFArray* array = s.MakeArray();
    for (std::string_view n : names) array->Append(s.MakeName(std::string(n)));
    return array;
}

std::string CurrentDateTimeText() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%d-%m-%Y %H:%M:%S", &local);
    auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() %
        1000000;
    return std::string(buffer) + "." + std::to_string(micros);
}

}  // namespace

void TPDFDocument::MakeNewDocument() {
    Clear();
    version_ = "1.4";
    TPDFStructure& s = structure_;

    TPDFDictionary* root = s.MakeDictionary();
    TPDFIndRef* root_ref = AddIndirect(*root);
    TPDFDictionary* page = s.MakeDictionary();
    TPDFIndRef* page_ref = AddIndirect(*page);
    TPDFDictionary* catalog = s.MakeDictionary();
    TPDFIndRef* catalog_ref = AddIndirect(*catalog);
    TPDFDictionary* info = s.MakeDictionary();
    TPDFIndRef* info_ref = AddIndirect(*info);

    root->Set(key::kType, s.MakeName(std::string(name::kPages)));
    root->Set(page_key::kCount, s.MakeNumeric(1));
    TPDFArray* kids = s.MakeArray();
    kids->Append(page_ref);
    root->Set(page_key::kKids, kids);

    page->Set(key::kType, s.MakeName(std::string(name::kPage)));
    page->Set(page_key::kParent, s.MakeReference(*root));
    page->Set(page_key::kMediaBox, NumberArray(s, {0, 0, 612, 792}));
    page->Set(page_key::kCropBox, NumberArray(s, {0, 0, 612, 792}));
    TPDFDictionary* resources = s.MakeDictionary();
    resources->Set(page_key::kProcSet, NameArray(s, {"PDF", "Text", "ImageB", "ImageC", "ImageI"}));
    page->Set(page_key::kResources, resources);

    catalog->Set(key::kType, s.MakeName(std::string(name::kCatalog)));
    catalog->Set(page_key::kPages, root_ref);

    trailer_->Set(trailer_key::kRoot, catalog_ref);
    trailer_->Set(trailer_key::kInfo, info_ref);
    std::string id = crypto::Md5(CurrentDateTimeText());
    TPDFArray* ids = s.MakeArray();
    ids->Append(s.MakeString(id, StringMode::kHexadecimal));
    ids->Append(s.MakeString(id, StringMode::kHexadecimal));
    trailer_->Set(trailer_key::kId, ids);
}

}  // namespace papyrion::pdf
