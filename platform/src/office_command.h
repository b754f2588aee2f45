#pragma once
// Pure logic behind the LibreOffice automation: which filters fit which
// document, and the soffice command lines. No process is started here.

#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace papyrion::office {

enum class DocumentKind { kText, kSpreadsheet };

// One entry of the PDF export filter data.
struct ExportOption {
    std::string name;
    std::variant<bool, int, std::string> value;
};

// What one conversion asks of LibreOffice.
struct ConversionJob {
    std::filesystem::path source;   // the file LibreOffice reads
    std::filesystem::path out_dir;  // where it writes <stem>.pdf
    DocumentKind kind = DocumentKind::kText;
    std::string import_filter;  // empty: LibreOffice detects the type
    std::vector<ExportOption> export_options;
};

// Spreadsheet suffixes (case-insensitive); everything else is word processing.
DocumentKind KindForPath(const std::filesystem::path& path);

// The PDF export filter that fits the document kind. A text filter applied to
// a spreadsheet (or the reverse) is not what the document needs, whatever a
// caller asked for.
std::string PdfExportFilterFor(DocumentKind kind);

// The import filter to force for a file, or empty to let LibreOffice detect
// it. Container formats get their filter forced, so that a damaged .docx
// fails instead of being read as plain text. CSV gets the text-import options:
// `csv_options` in the suite's "separator,delimiter,charset,first line" form;
// charset 0 (system charset) becomes 76 (UTF-8), the charset of text files here.
std::string ImportFilterFor(const std::filesystem::path& path, std::string_view csv_options);

// The filter data as the JSON that --convert-to takes after the filter name.
std::string ExportOptionsJson(const std::vector<ExportOption>& options);

// "pdf:<filter>" or "pdf:<filter>:<json>".
std::string ConvertToArgument(const ConversionJob& job);

// Options common to every soffice start: private profile, no window, no
// recovery dialog, no first-start wizard, no check for other users.
std::vector<std::string> CommonArguments(const std::filesystem::path& profile_dir);

// One conversion: the arguments after the program name.
std::vector<std::string> ConvertArguments(const std::filesystem::path& profile_dir,
                                          const ConversionJob& job);

// A kept instance: listens on a named pipe (its presence tells that the
// instance is up) and holds `keep_document` open so that it does not end
// after the first conversion handed to it.
std::vector<std::string> InstanceArguments(const std::filesystem::path& profile_dir,
                                           std::string_view pipe_name,
                                           const std::filesystem::path& keep_document);

// Exporting only the active sheet needs the sheet object, which the command
// line cannot name: a Basic module in the private profile does the load and
// the export. It writes the reason of a failure into a file.
//
// The module's file content (Standard library, Module1).
std::string ActiveSheetModule();
// The macro URL that runs it. Arguments are kept free of quotes, commas and
// parentheses: file URLs are percent-encoded, the import filter goes by its
// suffix ("csv", "xlsx", "ods" or "" to detect) and CSV options use "/".
std::string ActiveSheetMacroUrl(std::string_view source_url, std::string_view target_url,
                                const std::filesystem::path& source, std::string_view import_filter,
                                std::string_view failure_url);
// The soffice arguments that run one macro and end.
std::vector<std::string> MacroArguments(const std::filesystem::path& profile_dir,
                                        std::string_view macro_url);

// The name of the pipe through which a second soffice on the same profile
// hands its work to the first: "SingleOfficeIPC_" and the MD5 of the
// profile URL in UTF-16, its bytes in hexadecimal without leading zeros.
std::string SingleInstancePipeName(const std::filesystem::path& profile_dir);

// Where the named pipe of an instance appears: LibreOffice puts its pipes
// into /tmp, or into /var/tmp when /tmp cannot be written.
std::filesystem::path PipeSocketPath(std::string_view pipe_name, unsigned uid, bool tmp_writable);
std::filesystem::path PipeSocketPath(std::string_view pipe_name, unsigned uid);

// The first line of LibreOffice's output that explains a failure, without the
// noise it always prints (the Java launcher warning).
std::string FailureReason(std::string_view soffice_output);

}  // namespace papyrion::office
