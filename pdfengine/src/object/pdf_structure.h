#pragma once
// TPDFStructure: owner and factory of every object of one document, the
// parser of PDF text and the writing settings. Its two hooks into the
// document (resolve a reference, register a new indirect object) go through
// IndirectObjectHost so that a structure can also live on its own, for
// example to parse a snippet in a test.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "object/pdf_objects.h"

namespace papyrion::pdf {

struct IndirectId {
    int number = 0;
    int generation = 0;
};

class IndirectObjectHost {
  public:
    virtual ~IndirectObjectHost() = default;
    // The object with this number and generation, parsed first if needed;
    // nullptr when there is none.
    virtual TPDFObject* ResolveIndirect(int number, int generation) = 0;
    // Makes `object` a new indirect object and returns its number.
    virtual IndirectId RegisterIndirect(TPDFObject& object) = 0;
};

class TPDFStructure {
  public:
    // Decimal places of written numerics (content streams use the same rule).
    static constexpr int kNumberPrecision = 4;

    explicit TPDFStructure(IndirectObjectHost* host = nullptr) : host_(host) {}
    TPDFStructure(const TPDFStructure&) = delete;
    TPDFStructure& operator=(const TPDFStructure&) = delete;

    int NumberPrecision() const { return kNumberPrecision; }
    // Dictionaries are always written one entry a line.
    bool MultiLineDictionaries() const { return true; }

    // Factory. The structure keeps ownership; the pointers live as long as it.
    TPDFBoolean* MakeBoolean(bool value);
    TPDFNumeric* MakeNumeric(double value);
    TPDFString* MakeString(std::string bytes, StringMode mode = StringMode::kLiteral);
    TPDFName* MakeName(std::string bytes);
    TPDFArray* MakeArray();
    TPDFDictionary* MakeDictionary();
    // A stream on a new dictionary when none is given.
    TPDFStream* MakeStream(std::string data, TPDFDictionary* dictionary = nullptr);
    TPDFIndRef* MakeReference(int number, int generation);
    TPDFIndRef* MakeReference(const TPDFObject& indirect);
    TPDFNull* MakeNull();

    // Parses one object from PDF text; nullptr when the text holds none.
    // Never throws; nesting deeper than the parser's limit gives nullptr.
    TPDFObject* Parse(std::string_view text);

    // Hooks into the document; without a host nothing resolves and
    // registering fails (returns number 0).
    TPDFObject* ResolveReference(int number, int generation) const;
    IndirectId Register(TPDFObject& object);

    std::size_t ObjectCount() const { return objects_.size(); }
    // Frees every object made so far.
    void Clear() { objects_.clear(); }

  private:
    template <class T, class... Args>
    T* Make(Args&&... args);

    IndirectObjectHost* host_;
    std::vector<std::unique_ptr<TPDFObject>> objects_;
};

}  // namespace papyrion::pdf
