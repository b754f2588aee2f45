#include "document/doc_info.h"

#include <cstdio>
#include <cstdlib>

#include "document/xmp_packet.h"
#include "object/pdf_keys.h"
#include "object/text_string.h"

namespace papyrion::pdf {

TPDFDictionary& InfoDictionary(TPDFDocument& document) {
    TPDFDictionary& trailer = document.Trailer();
    if (TPDFDictionary* info = trailer.TryDictionary(trailer_key::kInfo)) return *info;
    TPDFDictionary* info = document.Structure().MakeDictionary();
    trailer.Set(trailer_key::kInfo, document.AddIndirect(*info));
    return *info;
}

std::string ReadInfoEntry(TPDFDocument& document, std::string_view key) {
    TPDFObject* value = InfoDictionary(document).Resolve(key);
    if (value == nullptr) return {};
    if (const auto* string = value->As<TPDFString>()) {
        return DecodeTextStringToUtf8(string->Bytes());
    }
    if (const auto* stream = value->As<TPDFStream>()) {
        return DecodeTextStringToUtf8(document.DecodedStreamData(*stream));
    }
    return {};
}

void WriteInfoEntry(TPDFDocument& document, std::string_view key, std::string_view utf8) {
    TPDFDictionary& info = InfoDictionary(document);
    std::string bytes = EncodeTextStringFromUtf8(utf8);
    TPDFObject* value = info.Resolve(key);
    if (auto* string = value != nullptr ? value->As<TPDFString>() : nullptr) {
        string->SetBytes(std::move(bytes));
    } else {
        if (auto* stream = value != nullptr ? value->As<TPDFStream>() : nullptr) {
            stream->SetData(std::string());
        }
        info.Set(key, document.Structure().MakeString(std::move(bytes), StringMode::kLiteral));
    }
    if (!document.IsEncrypted()) UpdateXmpProperty(document, key, utf8);
}

std::string FormatPdfDate(const std::tm& local, long offset_minutes) {
    char text[64];
    std::snprintf(text, sizeof text, "D:%04d%02d%02d%02d%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    std::string date = text;
    if (offset_minutes == 0) return date + "Z";
    const long magnitude = std::labs(offset_minutes);
    std::snprintf(text, sizeof text, "%c%02ld'%02ld'", offset_minutes > 0 ? '+' : '-',
                  magnitude / 60, magnitude % 60);
    return date + text;
}

std::string CurrentPdfDate() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // tm_gmtoff already includes daylight saving time when it applies.
    return FormatPdfDate(local, local.tm_gmtoff / 60);
}

std::string PdfDateToXmpDate(std::string_view pdf_date) {
    if (pdf_date.substr(0, 2) != "D:") return std::string(pdf_date);
    std::string_view d = pdf_date.substr(2);
    auto part = [&](std::size_t at, std::size_t length) {
        return at < d.size() ? std::string(d.substr(at, length)) : std::string();
    };
    std::string result = part(0, 4) + "-" + part(4, 2) + "-" + part(6, 2) + "T" + part(8, 2) + ":" +
                         part(10, 2) + ":" + part(12, 2);
    std::string_view zone = d.size() > 14 ? d.substr(14) : std::string_view();
    if (zone == "Z" || zone.substr(0, 1) == "Z") {
        result += "Z";
    } else if (!zone.empty() && (zone[0] == '+' || zone[0] == '-')) {
        std::string hours(zone.substr(1, 2));
        std::string minutes = zone.size() >= 7 ? std::string(zone.substr(4, 2)) : "00";
        result += zone[0] + hours + ":" + minutes;
    }
    return result;
}

}  // namespace papyrion::pdf
