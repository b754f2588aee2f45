#include "writer/pdf_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "object/pdf_keys.h"

namespace papyrion::pdf {

namespace {

// Well above what the parser accepts, so every parsed object can be written;
// only objects built in code with a cycle reach it.
constexpr int kMaxWriteDepth = 512;
// Arrays break their line once it has grown past this.
constexpr std::size_t kArrayLineWidth = 80;

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool NameByteNeedsEscape(unsigned char c) {
    if (c <= 32 || c >= 127) return true;
    switch (c) {
        case '#':
        case '%':
        case '(':
        case ')':
        case '/':
        case '<':
        case '>':
        case '[':
        case ']':
        case '{':
        case '}':
            return true;
        default:
            return false;
    }
}

bool EndsWithLineFeed(const std::string& text, std::size_t from) {
    return text.size() > from && text.back() == '\n';
}

std::size_t CurrentLineLength(const std::string& text) {
    std::size_t newline = text.rfind('\n');
    return newline == std::string::npos ? text.size() : text.size() - newline - 1;
}

class TextWriter {
  public:
    TextWriter(std::string& out, const PdfTextOptions& options) : out_(out), options_(options) {}

    void Write(const TPDFObject& object, int depth) {
        if (depth > kMaxWriteDepth) throw std::runtime_error("object nested too deeply to write");
        if (depth > 0 && object.IsIndirect()) {
            out_ += std::to_string(object.ObjectNumber());
            out_ += ' ';
            out_ += std::to_string(object.Generation());
            out_ += " R";
            return;
        }
        switch (object.Kind()) {
            case ObjectKind::kBoolean:
                out_ += object.As<TPDFBoolean>()->Value() ? "true" : "false";
                break;
            case ObjectKind::kNumeric:
                out_ += FormatPdfNumber(object.As<TPDFNumeric>()->Value(), options_.precision);
                break;
            case ObjectKind::kString:
                WriteString(*object.As<TPDFString>());
                break;
            case ObjectKind::kName:
                out_ += FormatPdfName(object.As<TPDFName>()->Bytes());
                break;
            case ObjectKind::kArray:
                WriteArray(*object.As<TPDFArray>(), depth);
                break;
            case ObjectKind::kDictionary:
                WriteDictionary(*object.As<TPDFDictionary>(), depth, nullptr);
                break;
            case ObjectKind::kStream:
                if (depth > 0) throw std::runtime_error("a stream must be an indirect object");
                WriteStream(*object.As<TPDFStream>(), depth);
                break;
            case ObjectKind::kIndRef: {
                const auto* ref = object.As<TPDFIndRef>();
                out_ += std::to_string(ref->Number());
                out_ += ' ';
                out_ += std::to_string(ref->RefGeneration());
                out_ += " R";
                break;
            }
            case ObjectKind::kNull:
                out_ += "null";
                break;
        }
    }

  private:
    void WriteString(const TPDFString& string) {
        const std::string* bytes = &string.Bytes();
        std::string transformed;
        if (options_.transform != nullptr) {
            transformed = (*options_.transform)(*bytes, false);
            bytes = &transformed;
        }
        out_ += string.Mode() == StringMode::kHexadecimal ? FormatHexString(*bytes)
                                                          : FormatLiteralString(*bytes);
    }

    void WriteArray(const TPDFArray& array, int depth) {
        out_ += "[ ";
        for (const TPDFObject* item : array.Items()) {
            std::size_t start = out_.size();
            if (item == nullptr) {
                out_ += "null";
            } else {
                Write(*item, depth + 1);
            }
            if (!EndsWithLineFeed(out_, start)) out_ += ' ';
            if (CurrentLineLength(out_) > kArrayLineWidth) out_ += '\n';
        }
        out_ += ']';
    }

    // `length` replaces the "Length" entry of a stream dictionary.
    void WriteDictionary(const TPDFDictionary& dictionary, int depth, const std::string* length) {
        out_ += "<<\n";
        bool length_written = false;
        for (const auto& entry : dictionary.Entries()) {
            std::size_t start = out_.size();
            try {
                out_ += FormatPdfName(entry.key);
                out_ += ' ';
                std::size_t value_start = out_.size();
                if (length != nullptr && entry.key == key::kLength) {
                    out_ += *length;
                    length_written = true;
                } else if (entry.value == nullptr) {
                    out_ += "null";
                } else {
                    Write(*entry.value, depth + 1);
                }
                if (!EndsWithLineFeed(out_, value_start)) out_ += '\n';
            } catch (const std::exception&) {
                out_.resize(start);
                out_ += "% bug \n";
            }
        }
        if (length != nullptr && !length_written) {
            out_ += FormatPdfName(key::kLength);
            out_ += ' ';
            out_ += *length;
            out_ += '\n';
        }
        out_ += ">>\n";
    }

    void WriteStream(const TPDFStream& stream, int depth) {
        const std::string* data = &stream.Data();
        std::string transformed;
        if (options_.transform != nullptr) {
            transformed = (*options_.transform)(*data, true);
            data = &transformed;
        }
        // The written "Length" is always the length of the bytes written.
        std::string length = std::to_string(data->size());
        WriteDictionary(stream.Dictionary(), depth, &length);
        out_ += "stream\n";
        out_ += *data;
        out_ += "\nendstream";
    }

    std::string& out_;
    const PdfTextOptions& options_;
};

}  // namespace

std::string FormatPdfNumber(double value, int precision) {
    if (!std::isfinite(value)) return "0";
    if (precision < 0) precision = 0;
    if (precision > 10) precision = 10;
    char buffer[400];
    const int written = std::snprintf(buffer, sizeof buffer, "%.*f", precision, value);
    if (written <= 0) return "0";
    std::size_t length = std::min(static_cast<std::size_t>(written), sizeof buffer - 1);
    if (std::string_view(buffer, length).find('.') != std::string_view::npos) {
        while (length > 0 && buffer[length - 1] == '0') --length;
        if (length > 0 && buffer[length - 1] == '.') --length;
    }
    const std::string_view text(buffer, length);
    if (text.empty() || text == "-0") return "0";
    return std::string(text);
}

std::string FormatPdfName(std::string_view bytes) {
    std::string out = "/";
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        if (NameByteNeedsEscape(u)) {
            out += '#';
            out += kHexDigits[u >> 4];
            out += kHexDigits[u & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

std::string FormatLiteralString(std::string_view bytes) {
    std::string out = "(";
    for (char c : bytes) {
        switch (c) {
            case '\b':
                out += "\\b";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\r':
                out += "\\r";
                break;
            case '(':
                out += "\\(";
                break;
            case ')':
                out += "\\)";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
                break;
        }
    }
    out += ')';
    return out;
}

std::string FormatHexString(std::string_view bytes) {
    std::string out = "<";
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        out += kHexDigits[u >> 4];
        out += kHexDigits[u & 0x0F];
    }
    out += '>';
    return out;
}

void AppendPdfText(const TPDFObject& object, std::string& out, const PdfTextOptions& options) {
    TextWriter(out, options).Write(object, 0);
}

std::string PdfText(const TPDFObject& object, const PdfTextOptions& options) {
    std::string out;
    AppendPdfText(object, out, options);
    return out;
}

}  // namespace papyrion::pdf
