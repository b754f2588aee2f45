#pragma once
// The document information dictionary: reading and writing its entries as
// text (PDF text strings), the engine's own stamps, and PDF dates. Every
// write is mirrored into the XMP packet of the catalog.

#include <ctime>
#include <string>
#include <string_view>

#include "document/pdf_document.h"

namespace papyrion::pdf {

namespace info_key {
inline constexpr std::string_view kAuthor = "Author";
inline constexpr std::string_view kTitle = "Title";
inline constexpr std::string_view kSubject = "Subject";
inline constexpr std::string_view kKeywords = "Keywords";
inline constexpr std::string_view kCreator = "Creator";
inline constexpr std::string_view kProducer = "Producer";
inline constexpr std::string_view kCreationDate = "CreationDate";
inline constexpr std::string_view kModDate = "ModDate";
}  // namespace info_key

// The trailer's "Info" dictionary, made and registered when missing.
TPDFDictionary& InfoDictionary(TPDFDocument& document);

// The entry as UTF-8 text; empty when missing or neither string nor stream.
std::string ReadInfoEntry(TPDFDocument& document, std::string_view key);
// Sets the entry to `utf8` as a PDF text string and updates the XMP packet
// (not for encrypted documents, whose metadata stream may be encrypted).
void WriteInfoEntry(TPDFDocument& document, std::string_view key, std::string_view utf8);

// "D:YYYYMMDDHHmmSS" and the offset from universal time ("Z", or "+hh'mm'"
// / "-hh'mm'"), for a local time `offset_minutes` ahead of universal time.
std::string FormatPdfDate(const std::tm& local, long offset_minutes);
// The current local time as a PDF date.
std::string CurrentPdfDate();
// "D:20240131123456+01'00'" gives "2024-01-31T12:34:56+01:00"; a text not
// starting with "D:" is returned unchanged.
std::string PdfDateToXmpDate(std::string_view pdf_date);

}  // namespace papyrion::pdf
