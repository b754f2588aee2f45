#include "office_command.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "platform/officeurl.h"

namespace papyrion::office {

namespace {

std::string LowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    static constexpr char kHex[] = "0123456789abcdef";
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0x0F];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::vector<std::string> SplitFields(std::string_view text) {
    std::vector<std::string> fields;
    std::string field;
    for (char c : text) {
        if (c == ',') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

}  // namespace

DocumentKind KindForPath(const std::filesystem::path& path) {
    const std::string ext = LowerExtension(path);
    for (const char* sheet : {".csv", ".xls", ".xlsx", ".xlsb", ".ods"}) {
        if (ext == sheet) return DocumentKind::kSpreadsheet;
    }
    return DocumentKind::kText;
}

std::string PdfExportFilterFor(DocumentKind kind) {
    return kind == DocumentKind::kSpreadsheet ? "calc_pdf_Export" : "writer_pdf_Export";
}

std::string ImportFilterFor(const std::filesystem::path& path, std::string_view csv_options) {
    const std::string ext = LowerExtension(path);
    if (ext == ".csv") {
        std::vector<std::string> fields = SplitFields(csv_options);
        if (fields.size() >= 3 && (fields[2].empty() || fields[2] == "0")) fields[2] = "76";
        std::string joined;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) joined += ',';
            joined += fields[i];
        }
        return "CSV:" + joined;
    }
    // Zip containers: detection would fall back to plain text for a damaged
    // file and print its bytes; forcing the filter makes it a load failure.
    if (ext == ".docx") return "MS Word 2007 XML";
    if (ext == ".odt") return "writer8";
    if (ext == ".xlsx") return "Calc MS Excel 2007 XML";
    if (ext == ".ods") return "calc8";
    return {};
}

std::string ExportOptionsJson(const std::vector<ExportOption>& options) {
    std::string json = "{";
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (i > 0) json += ',';
        const ExportOption& option = options[i];
        std::string type;
        std::string value;
        if (const auto* b = std::get_if<bool>(&option.value)) {
            type = "boolean";
            value = *b ? "true" : "false";
        } else if (const auto* n = std::get_if<int>(&option.value)) {
            type = "long";
            value = std::to_string(*n);
        } else {
            type = "string";
            value = std::get<std::string>(option.value);
        }
        json += JsonString(option.name) + ":{\"type\":" + JsonString(type) +
                ",\"value\":" + JsonString(value) + "}";
    }
    return json + "}";
}

std::string ConvertToArgument(const ConversionJob& job) {
    std::string argument = "pdf:" + PdfExportFilterFor(job.kind);
    if (!job.export_options.empty()) argument += ":" + ExportOptionsJson(job.export_options);
    return argument;
}

std::vector<std::string> CommonArguments(const std::filesystem::path& profile_dir) {
    return {"-env:UserInstallation=" + FileUrlFromPath(profile_dir),
            "--headless",
            "--invisible",
            "--nologo",
            "--norestore",
            "--nofirststartwizard",
            "--nolockcheck"};
}

std::vector<std::string> ConvertArguments(const std::filesystem::path& profile_dir,
                                          const ConversionJob& job) {
    std::vector<std::string> args = CommonArguments(profile_dir);
    args.emplace_back("--nodefault");
    if (!job.import_filter.empty()) args.push_back("--infilter=" + job.import_filter);
    args.emplace_back("--convert-to");
    args.push_back(ConvertToArgument(job));
    args.emplace_back("--outdir");
    args.push_back(job.out_dir.string());
    args.push_back(job.source.string());
    return args;
}

std::vector<std::string> InstanceArguments(const std::filesystem::path& profile_dir,
                                           std::string_view pipe_name,
                                           const std::filesystem::path& keep_document) {
    std::vector<std::string> args = CommonArguments(profile_dir);
    args.push_back("--accept=pipe,name=" + std::string(pipe_name) + ";urp;");
    args.push_back(keep_document.string());
    return args;
}

std::filesystem::path PipeSocketPath(std::string_view pipe_name, unsigned uid) {
    return std::filesystem::path("/tmp") /
           ("OSL_PIPE_" + std::to_string(uid) + "_" + std::string(pipe_name));
}

std::string FailureReason(std::string_view soffice_output) {
    std::istringstream lines{std::string(soffice_output)};
    std::string line;
    std::string fallback;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty() || line.rfind("Warning: failed to launch javaldx", 0) == 0) continue;
        if (line.rfind("convert ", 0) == 0) continue;
        if (line.find("Error") != std::string::npos) return line;
        if (fallback.empty()) fallback = line;
    }
    return fallback;
}

}  // namespace papyrion::office
