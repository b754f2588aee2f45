#pragma once
// TPDFDocument: one PDF document with its file bytes, trailer, indirect
// objects (parsed lazily from the kept bytes), encryption state and warnings.
// Reading, writing and the blank document are split across reader/, writer/
// and document/ by concern. Never throws to its callers: reading gives a
// ReadResult, writing a bool.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "crypto/security_handler.h"
#include "object/pdf_objects.h"
#include "object/pdf_structure.h"
#include "reader/xref_reader.h"

namespace papyrion::pdf {

enum class ReadResult {
    kRead = 0,
    // Encrypted, and the password opens it neither as user nor as owner.
    kPasswordRejected = 1,
    kNotReadable = 2,
};

// One indirect object: where its text is, and the parsed object once it has
// been needed.
struct TPDFIndObj {
    int number = 0;
    int generation = 0;
    // Text range within the file bytes (objects stored at the top level).
    std::size_t offset = 0;
    std::size_t length = 0;
    // Objects held in an object stream: that stream's number and the index.
    bool in_object_stream = false;
    int stream_number = 0;
    int stream_index = 0;
    bool parsed = false;
    bool parsing = false;  // guards against an object needing itself
    TPDFObject* object = nullptr;
    bool decrypted = false;
};

class TPDFDocument : public IndirectObjectHost {
  public:
    TPDFDocument();
    ~TPDFDocument() override;
    TPDFDocument(const TPDFDocument&) = delete;
    TPDFDocument& operator=(const TPDFDocument&) = delete;

    // Reads a whole file held in `bytes` (kept for the document's life).
    // Never throws; on a result other than kRead the document is empty.
    ReadResult Read(std::string bytes, std::string_view password);
    // Writes the whole document with one classic cross-reference table.
    // False when anything failed; `out` then holds what was written so far.
    bool Write(std::ostream& out);
    // The blank one-page document (612 x 792 points) of a new engine.
    void MakeNewDocument();
    // Frees every object, the trailer and the encryption state.
    void Clear();

    TPDFStructure& Structure() { return structure_; }
    const std::string& Version() const { return version_; }
    void SetVersion(std::string version) { version_ = std::move(version); }
    const std::string& FileName() const { return file_name_; }
    void SetFileName(std::string name) { file_name_ = std::move(name); }
    const std::string& FileBytes() const { return bytes_; }

    // Never null: an empty dictionary before reading.
    TPDFDictionary& Trailer() { return *trailer_; }
    // The trailer's "Root", resolved; nullptr when it is not a dictionary.
    TPDFDictionary* Catalog();

    // Lookup by object number, parsing on first use; nullptr when absent.
    TPDFObject* ObjectByNumber(int number);
    TPDFIndObj* FindIndObj(int number);
    const std::vector<std::unique_ptr<TPDFIndObj>>& IndirectObjects() const { return objects_; }
    int HighestObjectNumber() const;

    // IndirectObjectHost: a generation that does not match gives nullptr.
    TPDFObject* ResolveIndirect(int number, int generation) override;
    // Number = highest + 1, generation 0; keeps the trailer's "Size" in step.
    IndirectId RegisterIndirect(TPDFObject& object) override;
    // Registers `object` and returns a new reference to it.
    TPDFIndRef* AddIndirect(TPDFObject& object);
    // Takes an object out of the list: it is no longer written and its number
    // is free in the written table. The object itself lives on with the
    // structure, so references to it elsewhere stay safe (they resolve to nothing).
    bool RemoveIndirect(int number);

    // The stream's data with its filters undone (capped; see DecodeLimitFor).
    std::string DecodedStreamData(const TPDFStream& stream) const;

    bool IsEncrypted() const { return security_.has_value(); }
    const std::optional<StandardSecurityHandler>& Security() const { return security_; }
    bool IsLinearised() const { return linearised_; }
    const std::vector<std::int64_t>& SectionOffsets() const { return section_offsets_; }
    // Recoverable damage found while reading, one English line each.
    const std::vector<std::string>& Warnings() const { return warnings_; }
    void AddWarning(std::string text);

  private:
    struct ObjectStreamData {
        bool usable = false;
        std::string data;
        std::size_t first = 0;
        std::vector<std::pair<std::int64_t, std::int64_t>> header;  // (number, offset)
    };

    ReadResult ReadOnce(std::string_view password, bool scan_anyway, bool may_scan);
    std::optional<CrossReferenceData> RebuildCrossReferences(
        std::optional<CrossReferenceData> table);
    TPDFDictionary* TrailerFromScan(const struct ScannedObjects& scan);
    void AddObjectStreamContents();
    bool UseCatalogFoundByType();
    void RecountPageTree();
    bool ReadHeader();
    ReadResult OpenEncryption(std::string_view password);
    void RemoveLinearisation();
    void BuildObjectList(const CrossReferenceData& data);

    TPDFObject* Load(TPDFIndObj& entry);
    TPDFObject* ParseFromFile(const TPDFIndObj& entry);
    TPDFObject* ParseFromObjectStream(const TPDFIndObj& entry);
    const ObjectStreamData* ObjectStream(int number);
    std::optional<std::int64_t> StreamLength(const TPDFDictionary& dictionary);
    void Decrypt(TPDFObject& object, int number, int generation);
    bool SkipsEncryption(const TPDFObject& object) const;

    void RebuildIndex();

    TPDFStructure structure_;
    std::string bytes_;
    std::string version_;
    std::string file_name_;
    TPDFDictionary* trailer_ = nullptr;
    std::vector<std::unique_ptr<TPDFIndObj>> objects_;
    // (object number, position in objects_), sorted by number.
    std::vector<std::pair<int, std::size_t>> index_;
    std::vector<std::int64_t> section_offsets_;
    std::map<int, ObjectStreamData> object_streams_;
    std::optional<StandardSecurityHandler> security_;
    int encrypt_object_number_ = 0;
    bool linearised_ = false;
    // The cross-reference data was rebuilt by scanning the file.
    bool rebuilt_ = false;
    int load_depth_ = 0;
    std::vector<std::string> warnings_;
};

}  // namespace papyrion::pdf
