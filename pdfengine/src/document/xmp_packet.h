#pragma once
// The XMP packet of a document, kept in step with its information entries:
// one property is rewritten per information write, everything else in the
// stored packet is kept.

#include <optional>
#include <string>
#include <string_view>

#include "document/pdf_document.h"

namespace papyrion::pdf {

// The packet `existing` (empty: a new packet) with the property that
// mirrors information entry `info_key` set to `utf8`. nullopt when
// `existing` is not well-formed XML.
std::optional<std::string> UpdatedXmpPacket(std::string_view existing, std::string_view info_key,
                                            std::string_view utf8);

// Rewrites the catalog's metadata stream with the updated packet (made
// when missing; stored uncompressed, "Type" /Metadata, "Subtype" /XML).
// A stored packet that is not XML is left as it is, so nothing is lost.
void UpdateXmpProperty(TPDFDocument& document, std::string_view info_key, std::string_view utf8);

}  // namespace papyrion::pdf
