#include "object/pdf_objects.h"

#include <cmath>
#include <iterator>

#include "object/pdf_keys.h"
#include "object/pdf_structure.h"

namespace papyrion::pdf {

namespace {
// References to references are legal but rare; a chain this long is a loop.
constexpr int kMaxReferenceChain = 32;
}  // namespace

TPDFObject* ResolveObject(TPDFObject* object) {
    for (int step = 0; object != nullptr && step < kMaxReferenceChain; ++step) {
        const auto* ref = object->As<TPDFIndRef>();
        if (ref == nullptr) return object;
        object = ref->Target();
    }
    return object != nullptr && object->Kind() == ObjectKind::kIndRef ? nullptr : object;
}

std::optional<std::int64_t> TPDFNumeric::TryInteger() const {
    if (!std::isfinite(value_) || value_ != std::floor(value_) || std::fabs(value_) > 9.0e15) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(value_);
}

TPDFObject* TPDFIndRef::Target() const {
    return Structure().ResolveReference(number_, generation_);
}

TPDFObject* TPDFArray::At(std::size_t index) const {
    return index < items_.size() ? items_[index] : nullptr;
}

TPDFObject* TPDFArray::Resolve(std::size_t index) const { return ResolveObject(At(index)); }

std::optional<double> TPDFArray::TryNumber(std::size_t index) const {
    const auto* number = Resolve(index) != nullptr ? Resolve(index)->As<TPDFNumeric>() : nullptr;
    if (number == nullptr) return std::nullopt;
    return number->Value();
}

void TPDFArray::Append(TPDFObject* item) { items_.push_back(item); }

void TPDFArray::Insert(std::size_t index, TPDFObject* item) {
    if (index > items_.size()) index = items_.size();
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), item);
}

void TPDFArray::Replace(std::size_t index, TPDFObject* item) {
    if (index < items_.size()) items_[index] = item;
}

void TPDFArray::RemoveAt(std::size_t index) {
    if (index < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

TPDFObject* TPDFDictionary::Get(std::string_view key) const {
    for (const auto& entry : entries_) {
        if (entry.key == key) return entry.value;
    }
    return nullptr;
}

TPDFObject* TPDFDictionary::Resolve(std::string_view key) const { return ResolveObject(Get(key)); }

std::optional<double> TPDFDictionary::TryNumber(std::string_view key) const {
    TPDFObject* value = Resolve(key);
    const auto* number = value != nullptr ? value->As<TPDFNumeric>() : nullptr;
    if (number == nullptr) return std::nullopt;
    return number->Value();
}

std::optional<std::int64_t> TPDFDictionary::TryInteger(std::string_view key) const {
    TPDFObject* value = Resolve(key);
    const auto* number = value != nullptr ? value->As<TPDFNumeric>() : nullptr;
    if (number == nullptr) return std::nullopt;
    return number->TryInteger();
}

std::optional<std::string> TPDFDictionary::TryName(std::string_view key) const {
    TPDFObject* value = Resolve(key);
    const auto* name = value != nullptr ? value->As<TPDFName>() : nullptr;
    if (name == nullptr) return std::nullopt;
    return name->Bytes();
}

std::optional<bool> TPDFDictionary::TryBoolean(std::string_view key) const {
    TPDFObject* value = Resolve(key);
    const auto* boolean = value != nullptr ? value->As<TPDFBoolean>() : nullptr;
    if (boolean == nullptr) return std::nullopt;
    return boolean->Value();
}

TPDFString* TPDFDictionary::TryString(std::string_view key) const {
    TPDFObject* value = Resolve(key);
    return value != nullptr ? value->As<TPDFString>() : nullptr;
}

TPDFArray* TPDFDictionary::TryArray(std::string_view key) const {
    TPDFObject* value = Resolve(key);
    return value != nullptr ? value->As<TPDFArray>() : nullptr;
}

TPDFDictionary* TPDFDictionary::TryDictionary(std::string_view key) const {
    TPDFObject* value = Resolve(key);
    return value != nullptr ? value->As<TPDFDictionary>() : nullptr;
}

TPDFStream* TPDFDictionary::TryStream(std::string_view key) const {
    TPDFObject* value = Resolve(key);
    return value != nullptr ? value->As<TPDFStream>() : nullptr;
}

bool TPDFDictionary::HasName(std::string_view key, std::string_view name) const {
    TPDFObject* value = Resolve(key);
    const auto* found = value != nullptr ? value->As<TPDFName>() : nullptr;
    return found != nullptr && found->Bytes() == name;
}

void TPDFDictionary::Set(std::string_view key, TPDFObject* value) {
    for (auto& entry : entries_) {
        if (entry.key == key) {
            entry.value = value;
            return;
        }
    }
    entries_.push_back(Entry{std::string(key), value});
}

void TPDFDictionary::AppendEntries(std::vector<Entry>::iterator first,
                                   std::vector<Entry>::iterator last) {
    entries_.reserve(entries_.size() + static_cast<std::size_t>(last - first));
    entries_.insert(entries_.end(), std::make_move_iterator(first), std::make_move_iterator(last));
}

bool TPDFDictionary::Remove(std::string_view key) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key == key) {
            entries_.erase(it);
            return true;
        }
    }
    return false;
}

void TPDFStream::SetData(std::string data) {
    data_ = std::move(data);
    dictionary_->Set(key::kLength, Structure().MakeNumeric(static_cast<double>(data_.size())));
}

}  // namespace papyrion::pdf
