#pragma once
// The PDF text of objects as the engine writes them: its own layout for
// every dictionary, array and number, stream data copied byte for byte.

#include <functional>
#include <string>
#include <string_view>

#include "object/pdf_objects.h"

namespace papyrion::pdf {

// Applied to every string and to stream data of one object just before it is
// written (the security handler encrypts there); `is_stream` tells which.
using DataTransform = std::function<std::string(std::string_view data, bool is_stream)>;

struct PdfTextOptions {
    int precision = 4;
    const DataTransform* transform = nullptr;
};

// At most `precision` decimals, "." as separator, no exponent, no trailing
// zeros or separator: 0.123456 gives "0.1235", 12.0 gives "12".
std::string FormatPdfNumber(double value, int precision = 4);
// "/" and the bytes, escaping whitespace, delimiters, "#" and bytes
// outside 33..126 as "#XX".
std::string FormatPdfName(std::string_view bytes);
std::string FormatLiteralString(std::string_view bytes);
std::string FormatHexString(std::string_view bytes);

// The text of `object` itself (an indirect object's body, not "N G R").
// Objects nested inside it that are indirect are written as references.
// Throws std::runtime_error for what cannot be written (a stream nested in
// another object, nesting beyond the writer's depth limit); a failing
// dictionary entry is written as "% bug" instead.
void AppendPdfText(const TPDFObject& object, std::string& out, const PdfTextOptions& options = {});
std::string PdfText(const TPDFObject& object, const PdfTextOptions& options = {});

}  // namespace papyrion::pdf
