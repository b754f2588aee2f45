#pragma once
// The PDF object classes. Every object is made by, owned by and freed with
// one TPDFStructure; objects hold plain pointers to each other because the
// structure, not the container, owns them. Objects are never shared between
// documents: copying between documents goes through PDF text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace papyrion::pdf {

class TPDFStructure;

enum class ObjectKind {
    kBoolean,
    kNumeric,
    kString,
    kName,
    kArray,
    kDictionary,
    kStream,
    kIndRef,
    kNull,
};

class TPDFObject {
  public:
    TPDFObject(const TPDFObject&) = delete;
    TPDFObject& operator=(const TPDFObject&) = delete;
    virtual ~TPDFObject() = default;

    ObjectKind Kind() const { return kind_; }
    TPDFStructure& Structure() const { return *structure_; }

    // An object that is the body of an indirect object carries its number.
    bool IsIndirect() const { return object_number_ > 0; }
    int ObjectNumber() const { return object_number_; }
    int Generation() const { return generation_; }
    void MarkIndirect(int number, int generation) {
        object_number_ = number;
        generation_ = generation;
    }

    // Typed views: nullptr when the object is of another kind.
    template <class T>
    T* As() {
        return kind_ == T::kKind ? static_cast<T*>(this) : nullptr;
    }
    template <class T>
    const T* As() const {
        return kind_ == T::kKind ? static_cast<const T*>(this) : nullptr;
    }

  protected:
    TPDFObject(TPDFStructure& structure, ObjectKind kind) : structure_(&structure), kind_(kind) {}

  private:
    TPDFStructure* structure_;
    ObjectKind kind_;
    int object_number_ = 0;
    int generation_ = 0;
};

class TPDFBoolean : public TPDFObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::kBoolean;
    TPDFBoolean(TPDFStructure& s, bool value) : TPDFObject(s, kKind), value_(value) {}
    bool Value() const { return value_; }
    void SetValue(bool value) { value_ = value; }

  private:
    bool value_;
};

// Integers are numerics too; the writer decides how many decimals to show.
class TPDFNumeric : public TPDFObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::kNumeric;
    TPDFNumeric(TPDFStructure& s, double value) : TPDFObject(s, kKind), value_(value) {}
    double Value() const { return value_; }
    void SetValue(double value) { value_ = value; }
    // The value as an integer when it is one that fits in 64 bits.
    std::optional<std::int64_t> TryInteger() const;

  private:
    double value_;
};

enum class StringMode { kLiteral, kHexadecimal };

class TPDFString : public TPDFObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::kString;
    TPDFString(TPDFStructure& s, std::string bytes, StringMode mode)
        : TPDFObject(s, kKind), bytes_(std::move(bytes)), mode_(mode) {}
    const std::string& Bytes() const { return bytes_; }
    void SetBytes(std::string bytes) { bytes_ = std::move(bytes); }
    StringMode Mode() const { return mode_; }
    void SetMode(StringMode mode) { mode_ = mode; }

  private:
    std::string bytes_;
    StringMode mode_;
};

// The bytes of the name without "/" and with "#xx" escapes resolved.
class TPDFName : public TPDFObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::kName;
    TPDFName(TPDFStructure& s, std::string bytes)
        : TPDFObject(s, kKind), bytes_(std::move(bytes)) {}
    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

class TPDFIndRef : public TPDFObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::kIndRef;
    TPDFIndRef(TPDFStructure& s, int number, int generation)
        : TPDFObject(s, kKind), number_(number), generation_(generation) {}
    int Number() const { return number_; }
    int RefGeneration() const { return generation_; }
    // The referenced object, parsed on first use; nullptr when there is none.
    TPDFObject* Target() const;

  private:
    int number_;
    int generation_;
};

class TPDFNull : public TPDFObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::kNull;
    explicit TPDFNull(TPDFStructure& s) : TPDFObject(s, kKind) {}
};

class TPDFDictionary;
class TPDFStream;

class TPDFArray : public TPDFObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::kArray;
    explicit TPDFArray(TPDFStructure& s) : TPDFObject(s, kKind) {}

    std::size_t Size() const { return items_.size(); }
    const std::vector<TPDFObject*>& Items() const { return items_; }
    // The element as stored (a reference stays a reference); nullptr out of range.
    TPDFObject* At(std::size_t index) const;
    // The element with a reference followed.
    TPDFObject* Resolve(std::size_t index) const;
    std::optional<double> TryNumber(std::size_t index) const;

    void Append(TPDFObject* item);
    void Insert(std::size_t index, TPDFObject* item);
    void Replace(std::size_t index, TPDFObject* item);
    void RemoveAt(std::size_t index);
    void Clear() { items_.clear(); }
    // A stream must be referenced, never embedded.
    void Append(TPDFStream*) = delete;

  private:
    std::vector<TPDFObject*> items_;
};

class TPDFDictionary : public TPDFObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::kDictionary;
    struct Entry {
        std::string key;
        TPDFObject* value;
    };
    explicit TPDFDictionary(TPDFStructure& s) : TPDFObject(s, kKind) {}

    std::size_t Count() const { return entries_.size(); }
    const std::vector<Entry>& Entries() const { return entries_; }
    bool Contains(std::string_view key) const { return Get(key) != nullptr; }

    // The value as stored, first entry with exactly this key; nullptr when absent.
    TPDFObject* Get(std::string_view key) const;
    // The value with a reference followed (the target is parsed on request).
    TPDFObject* Resolve(std::string_view key) const;

    // Resolved, typed lookups; nullopt/nullptr when absent or of another kind.
    std::optional<double> TryNumber(std::string_view key) const;
    std::optional<std::int64_t> TryInteger(std::string_view key) const;
    std::optional<std::string> TryName(std::string_view key) const;
    std::optional<bool> TryBoolean(std::string_view key) const;
    TPDFString* TryString(std::string_view key) const;
    TPDFArray* TryArray(std::string_view key) const;
    TPDFDictionary* TryDictionary(std::string_view key) const;
    TPDFStream* TryStream(std::string_view key) const;
    // A "Type" (or any name) check without a temporary string.
    bool HasName(std::string_view key, std::string_view name) const;

    // An existing key gets its value replaced in place; a new key goes last.
    void Set(std::string_view key, TPDFObject* value);
    // A stream must be referenced, never embedded.
    void Set(std::string_view key, TPDFStream* value) = delete;
    // Moves entries in as they are (the caller has ruled out duplicates).
    void AppendEntries(std::vector<Entry>::iterator first, std::vector<Entry>::iterator last);
    // Removes the first entry with this key; false when there was none.
    bool Remove(std::string_view key);
    void Clear() { entries_.clear(); }

  private:
    std::vector<Entry> entries_;
};

// A dictionary and the stream data as stored (still encoded by its filters).
class TPDFStream : public TPDFObject {
  public:
    static constexpr ObjectKind kKind = ObjectKind::kStream;
    TPDFStream(TPDFStructure& s, TPDFDictionary& dictionary, std::string data)
        : TPDFObject(s, kKind), dictionary_(&dictionary), data_(std::move(data)) {}

    TPDFDictionary& Dictionary() const { return *dictionary_; }
    const std::string& Data() const { return data_; }
    // Replaces the stored data and keeps "Length" in step with it.
    void SetData(std::string data);

  private:
    TPDFDictionary* dictionary_;
    std::string data_;
};

// Follows a reference (chains of references too, up to a small bound);
// anything else is returned as it is.
TPDFObject* ResolveObject(TPDFObject* object);

}  // namespace papyrion::pdf
