#include "object/pdf_structure.h"

#include <algorithm>

#include "object/pdf_parser.h"

namespace papyrion::pdf {

namespace {
// Slots are reserved in blocks so that parsing a large file does not
// reallocate the owner list for every object.
constexpr std::size_t kReserveBlock = 1000;
constexpr std::size_t kReserveWhenLeft = 100;
}  // namespace

template <class T, class... Args>
T* TPDFStructure::Make(Args&&... args) {
    if (objects_.capacity() - objects_.size() < kReserveWhenLeft) {
        // Growing by half keeps adding many objects linear; a fixed step
        // would copy the whole list again every thousand objects.
        objects_.reserve(objects_.capacity() + std::max(kReserveBlock, objects_.capacity() / 2));
    }
    auto object = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T* raw = object.get();
    objects_.push_back(std::move(object));
    return raw;
}

TPDFBoolean* TPDFStructure::MakeBoolean(bool value) { return Make<TPDFBoolean>(value); }
TPDFNumeric* TPDFStructure::MakeNumeric(double value) { return Make<TPDFNumeric>(value); }
TPDFString* TPDFStructure::MakeString(std::string bytes, StringMode mode) {
    return Make<TPDFString>(std::move(bytes), mode);
}
TPDFName* TPDFStructure::MakeName(std::string bytes) { return Make<TPDFName>(std::move(bytes)); }
TPDFArray* TPDFStructure::MakeArray() { return Make<TPDFArray>(); }
TPDFDictionary* TPDFStructure::MakeDictionary() { return Make<TPDFDictionary>(); }
TPDFStream* TPDFStructure::MakeStream(std::string data, TPDFDictionary* dictionary) {
    if (dictionary == nullptr) dictionary = MakeDictionary();
    TPDFStream* stream = Make<TPDFStream>(*dictionary, std::string());
    stream->SetData(std::move(data));
    return stream;
}
TPDFIndRef* TPDFStructure::MakeReference(int number, int generation) {
    return Make<TPDFIndRef>(number, generation);
}
TPDFIndRef* TPDFStructure::MakeReference(const TPDFObject& indirect) {
    return Make<TPDFIndRef>(indirect.ObjectNumber(), indirect.Generation());
}
TPDFNull* TPDFStructure::MakeNull() { return Make<TPDFNull>(); }

TPDFObject* TPDFStructure::Parse(std::string_view text) {
    TPDFParser parser(*this, text);
    return parser.ParseObject();
}

TPDFObject* TPDFStructure::ResolveReference(int number, int generation) const {
    return host_ != nullptr ? host_->ResolveIndirect(number, generation) : nullptr;
}

IndirectId TPDFStructure::Register(TPDFObject& object) {
    return host_ != nullptr ? host_->RegisterIndirect(object) : IndirectId{};
}

}  // namespace papyrion::pdf
