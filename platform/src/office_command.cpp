#include "office_command.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "office_md5.h"
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
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
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

namespace {

constexpr std::string_view kActiveSheetBasic = R"BASIC(
Sub ExportActiveSheet(source As String, target As String, kind As String, options As String, failure As String)
  Dim document As Object
  Dim filterName As String
  On Error GoTo Failed
  Select Case kind
    Case "csv" : filterName = "Text - txt - csv (StarCalc)"
    Case "xlsx" : filterName = "Calc MS Excel 2007 XML"
    Case "ods" : filterName = "calc8"
    Case Else : filterName = ""
  End Select
  If filterName = "" Then
    Dim detect(1) As New com.sun.star.beans.PropertyValue
    detect(0).Name = "Hidden" : detect(0).Value = True
    detect(1).Name = "ReadOnly" : detect(1).Value = True
    document = StarDesktop.loadComponentFromURL(source, "_blank", 0, detect())
  Else
    Dim given(3) As New com.sun.star.beans.PropertyValue
    given(0).Name = "Hidden" : given(0).Value = True
    given(1).Name = "ReadOnly" : given(1).Value = True
    given(2).Name = "FilterName" : given(2).Value = filterName
    given(3).Name = "FilterOptions" : given(3).Value = Join(Split(options, "/"), ",")
    document = StarDesktop.loadComponentFromURL(source, "_blank", 0, given())
  End If
  If IsNull(document) Then
    WriteFailure(failure, "the file could not be loaded")
    Exit Sub
  End If
  If Not document.supportsService("com.sun.star.sheet.SpreadsheetDocument") Then
    WriteFailure(failure, "the file is not a spreadsheet")
    document.close(True)
    Exit Sub
  End If
  Dim data(0) As New com.sun.star.beans.PropertyValue
  data(0).Name = "Selection" : data(0).Value = document.getCurrentController().getActiveSheet()
  Dim store(1) As New com.sun.star.beans.PropertyValue
  store(0).Name = "FilterName" : store(0).Value = "calc_pdf_Export"
  store(1).Name = "FilterData" : store(1).Value = data()
  document.storeToURL(target, store())
  document.close(True)
  Exit Sub
Failed:
  WriteFailure(failure, "error " & Err & ": " & Error$)
  On Error Resume Next
  If Not IsNull(document) Then document.close(True)
End Sub

Sub WriteFailure(failure As String, text As String)
  Dim n As Integer
  n = FreeFile
  Open ConvertFromURL(failure) For Output As #n
  Print #n, text
  Close #n
End Sub
)BASIC";

std::string XmlEscaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string ActiveSheetModule() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE script:module PUBLIC \"-//OpenOffice.org//DTD OfficeDocument 1.0//EN\" "
           "\"module.dtd\">\n"
           "<script:module xmlns:script=\"http://openoffice.org/2000/script\" "
           "script:name=\"Module1\" script:language=\"StarBasic\">" +
           XmlEscaped(kActiveSheetBasic) + "</script:module>\n";
}

std::string ActiveSheetMacroUrl(std::string_view source_url, std::string_view target_url,
                                const std::filesystem::path& source, std::string_view import_filter,
                                std::string_view failure_url) {
    std::string kind;
    std::string options;
    if (import_filter.rfind("CSV:", 0) == 0) {
        kind = "csv";
        options = std::string(import_filter.substr(4));
        std::replace(options.begin(), options.end(), ',', '/');
    } else if (!import_filter.empty()) {
        const std::string ext = LowerExtension(source);
        if (ext == ".xlsx" || ext == ".ods") kind = ext.substr(1);
    }
    auto quoted = [](std::string_view text) { return "\"" + std::string(text) + "\""; };
    return "macro:///Standard.Module1.ExportActiveSheet(" + quoted(source_url) + "," +
           quoted(target_url) + "," + quoted(kind) + "," + quoted(options) + "," +
           quoted(failure_url) + ")";
}

std::vector<std::string> MacroArguments(const std::filesystem::path& profile_dir,
                                        std::string_view macro_url) {
    std::vector<std::string> args = CommonArguments(profile_dir);
    args.emplace_back(macro_url);
    return args;
}

std::string SingleInstancePipeName(const std::filesystem::path& profile_dir) {
    std::string utf16;
    for (char c : FileUrlFromPath(profile_dir)) {  // percent-encoded: ASCII only
        utf16 += c;
        utf16 += '\0';
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = "SingleOfficeIPC_";
    for (std::uint8_t byte : Md5(utf16)) {
        if (byte >= 16) name += kHex[byte >> 4];
        name += kHex[byte & 0x0F];
    }
    return name;
}

std::filesystem::path PipeSocketPath(std::string_view pipe_name, unsigned uid, bool tmp_writable) {
    return std::filesystem::path(tmp_writable ? "/tmp" : "/var/tmp") /
           ("OSL_PIPE_" + std::to_string(uid) + "_" + std::string(pipe_name));
}

std::filesystem::path PipeSocketPath(std::string_view pipe_name, unsigned uid) {
    return PipeSocketPath(pipe_name, uid, access("/tmp", W_OK) == 0);
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
