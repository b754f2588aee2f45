#pragma once
// PDF key and name texts, grouped by the object they belong to, so that a
// misspelt key is a compile error rather than a silent miss.

#include <string_view>

namespace papyrion::pdf {

// Entries shared by many objects.
namespace key {
inline constexpr std::string_view kType = "Type";
inline constexpr std::string_view kSubtype = "Subtype";
inline constexpr std::string_view kLength = "Length";
inline constexpr std::string_view kFilter = "Filter";
inline constexpr std::string_view kDecodeParms = "DecodeParms";
inline constexpr std::string_view kDecodeParmsShort = "DP";
}  // namespace key

// Trailer and cross-reference stream dictionaries (ISO 32000-1 tables 15 and 17).
namespace trailer_key {
inline constexpr std::string_view kSize = "Size";
inline constexpr std::string_view kPrev = "Prev";
inline constexpr std::string_view kRoot = "Root";
inline constexpr std::string_view kEncrypt = "Encrypt";
inline constexpr std::string_view kInfo = "Info";
inline constexpr std::string_view kId = "ID";
inline constexpr std::string_view kXRefStm = "XRefStm";
inline constexpr std::string_view kIndex = "Index";
inline constexpr std::string_view kW = "W";
}  // namespace trailer_key

// Object streams (ISO 32000-1 table 16).
namespace objstm_key {
inline constexpr std::string_view kN = "N";
inline constexpr std::string_view kFirst = "First";
}  // namespace objstm_key

// Catalog and page tree (ISO 32000-1 tables 28, 29 and 30).
namespace page_key {
inline constexpr std::string_view kPages = "Pages";
inline constexpr std::string_view kKids = "Kids";
inline constexpr std::string_view kCount = "Count";
inline constexpr std::string_view kParent = "Parent";
inline constexpr std::string_view kMediaBox = "MediaBox";
inline constexpr std::string_view kCropBox = "CropBox";
inline constexpr std::string_view kResources = "Resources";
inline constexpr std::string_view kProcSet = "ProcSet";
inline constexpr std::string_view kContents = "Contents";
inline constexpr std::string_view kRotate = "Rotate";
}  // namespace page_key

// Filter parameters (ISO 32000-1 tables 8 and 9).
namespace filter_key {
inline constexpr std::string_view kPredictor = "Predictor";
inline constexpr std::string_view kColors = "Colors";
inline constexpr std::string_view kBitsPerComponent = "BitsPerComponent";
inline constexpr std::string_view kColumns = "Columns";
inline constexpr std::string_view kEarlyChange = "EarlyChange";
}  // namespace filter_key

// Standard security handler (ISO 32000-1 tables 20, 21 and 25; ISO 32000-2 table 21).
namespace encrypt_key {
inline constexpr std::string_view kFilter = "Filter";
inline constexpr std::string_view kV = "V";
inline constexpr std::string_view kR = "R";
inline constexpr std::string_view kLength = "Length";
inline constexpr std::string_view kO = "O";
inline constexpr std::string_view kU = "U";
inline constexpr std::string_view kOE = "OE";
inline constexpr std::string_view kUE = "UE";
inline constexpr std::string_view kPerms = "Perms";
inline constexpr std::string_view kP = "P";
inline constexpr std::string_view kEncryptMetadata = "EncryptMetadata";
inline constexpr std::string_view kCF = "CF";
inline constexpr std::string_view kStmF = "StmF";
inline constexpr std::string_view kStrF = "StrF";
inline constexpr std::string_view kCFM = "CFM";
}  // namespace encrypt_key

// Name values.
namespace name {
inline constexpr std::string_view kXRef = "XRef";
inline constexpr std::string_view kObjStm = "ObjStm";
inline constexpr std::string_view kCatalog = "Catalog";
inline constexpr std::string_view kPages = "Pages";
inline constexpr std::string_view kPage = "Page";
inline constexpr std::string_view kMetadata = "Metadata";
inline constexpr std::string_view kLinearized = "Linearized";
inline constexpr std::string_view kStandard = "Standard";
inline constexpr std::string_view kStdCF = "StdCF";
}  // namespace name

}  // namespace papyrion::pdf
