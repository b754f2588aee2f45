#include "processing/conversion.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "core/text_keys.h"
#include "platform/officeurl.h"

namespace papyrion {

namespace {

using Array = AutomationValue::Array;

constexpr int kWordFormatPdf = 17;
constexpr int kExcelBlankWorksheet = -4167;  // xlWBATWorksheet
constexpr int kExcelTypePdf = 0;
constexpr int kOpenBookmarksAll = -1;
constexpr std::size_t kExtensionLimit = 10;

// The name up to and including the "." found from `last` backwards, then
// `suffix`. The search stops at the file name's start: a "." in a folder
// name is no suffix.
std::string ReplaceSuffix(std::string_view path, std::size_t last, std::string_view suffix) {
    const std::size_t name_start =
        path.find_last_of('/') == std::string_view::npos ? 0 : path.find_last_of('/') + 1;
    for (std::size_t i = last + 1; i-- > name_start;) {
        if (path[i] == '.') return std::string(path.substr(0, i + 1)) + std::string(suffix);
    }
    return std::string(path) + "." + std::string(suffix);
}

std::string UpperExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string extension(path.substr(dot + 1, kExtensionLimit));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension;
}

std::filesystem::path Absolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? std::filesystem::path(path) : absolute;
}

// Stores `document` as a PDF at `target_url` with the export filter
// `filter_name`; the filter data goes through the bridge as a typed array,
// which the suite's store call requires.
void StoreAsPdf(AutomationObject& manager, AutomationObject& document,
                const std::string& target_url, const std::string& filter_name,
                const Array& filter_data) {
    AutomationObjectPtr data = manager.Call("Bridge_GetValueObject").AsObject();
    data->Call("Set", {"[]com.sun.star.beans.PropertyValue", filter_data});
    const Array store_arguments = {
        MakePropertyValue(manager, "FilterName", filter_name),
        MakePropertyValue(manager, "FilterData", data),
    };
    document.Call("StoreToURL", {target_url, store_arguments});
}

}  // namespace

std::string PdfNameFor(std::string_view path) {
    if (path.size() < 2) return std::string(path) + ".pdf";
    return ReplaceSuffix(path, path.size() - 2, "pdf");
}

std::string DocumentPdfNameFor(std::string_view path) {
    if (path.empty()) return ".PDF";
    return ReplaceSuffix(path, path.size() - 1, "PDF");
}

AutomationObjectPtr MakePropertyValue(AutomationObject& service_manager, const std::string& name,
                                      const AutomationValue& value) {
    AutomationObjectPtr property =
        service_manager.Call("Bridge_GetStruct", {"com.sun.star.beans.PropertyValue"}).AsObject();
    property->Put("Name", name);
    property->Put("Value", value);
    return property;
}

OfficeConversion::OfficeConversion(ConversionServices services) : services_(services) {}

std::string OfficeConversion::Choice() const {
    return services_.settings.Value(setting::kPdfConverter);
}

void OfficeConversion::SetChoice(const std::string& choice) {
    services_.settings.SetValue(setting::kPdfConverter, choice);
}

std::string OfficeConversion::ConvertDocument(const std::string& input) {
    return ConvertDocument(input, DocumentPdfNameFor(input));
}

std::string OfficeConversion::ConvertDocument(const std::string& input, const std::string& pdf) {
    std::string result = input;
    const std::string choice = Choice();
    if (choice == "MS") {
        result = ConvertWithWord(input, pdf);
    } else if (choice == "OO") {
        result = ConvertWithWriter(input, pdf);
    }
    const std::string after = Choice();
    if ((after != "OO" && after != "MS") || result == input) {
        result = ConvertWithWord(input, pdf);
        if (result == input) result = ConvertWithWriter(input, pdf);
    }
    return result;
}

std::string OfficeConversion::ConvertWithWord(const std::string& input, const std::string& pdf) {
    services_.ui.ActivityTick();
    services_.log.LogEvent("00500I", "Convert Doc To PDF met MS;;;" + input + ";" + pdf);
    try {
        if (!word_started_) {
            word_ = services_.automation.CreateOleObject("Word.Application");
            word_started_ = true;
        }
        word_->Put("Visible", false);
        word_->Call("Documents").AsObject()->Call("Add");
        word_->Call("Documents").AsObject()->Call("Open", {input});
        word_->Call("ActiveDocument")
            .AsObject()
            ->Call("SaveAs", {}, {{"Filename", pdf}, {"fileformat", kWordFormatPdf}});
        SetChoice("MS");
        last_failure_.clear();
        return pdf;
    } catch (const std::exception& error) {
        services_.log.LogEvent("00501E", "Convert Doc To PDF Failed;;;" + input + ";" + pdf);
        SetChoice("??");
        last_failure_ = error.what();
        return input;
    }
}

std::string OfficeConversion::ConvertWithWriter(const std::string& input, const std::string& pdf) {
    services_.ui.ActivityTick();
    try {
        services_.log.LogEvent("00510I", "Start convert Doc To PDF met OO;;;" + input + ";" + pdf);
        // A proper file URL on both sides: the path's own characters
        // ("\" may be part of a name here) must reach the suite unchanged.
        WriterExport(FileUrlFromPath(Absolute(input)), FileUrlFromPath(Absolute(pdf)));
        services_.log.LogEvent("00510I", "End convert Doc To PDF met OO;;;" + input + ";" + pdf);
        SetChoice("OO");
        last_failure_.clear();
        return pdf;
    } catch (const std::exception& error) {
        services_.log.LogEvent("00501E", "Convert Doc To PDF Failed;;;" + input + ";" + pdf);
        SetChoice("??");
        last_failure_ = error.what();
        return input;
    }
}

void OfficeConversion::WriterExport(const std::string& source_url, const std::string& target_url) {
    AutomationObjectPtr manager =
        services_.automation.CreateOleObject("com.sun.star.ServiceManager");
    AutomationObjectPtr desktop =
        manager->Call("CreateInstance", {"com.sun.star.frame.Desktop"}).AsObject();
    const Array load_arguments = {MakePropertyValue(*manager, "Hidden", true)};
    AutomationObjectPtr document =
        desktop->Call("LoadComponentFromURL", {source_url, "_blank", 0, load_arguments}).AsObject();
    try {
        const Array filter_data = {
            MakePropertyValue(*manager, "Magnification", 2),
            MakePropertyValue(*manager, "EncryptFile", true),
            MakePropertyValue(*manager, "DocumentOpenPassword", ""),
            MakePropertyValue(*manager, "HideViewerWindowControls", true),
            MakePropertyValue(*manager, "OpenBookmarkLevels", kOpenBookmarksAll),
            MakePropertyValue(*manager, "ExportLinksRelativeFsys", true),
            MakePropertyValue(*manager, "ExportBookmarksToPDFDestination", true),
        };
        StoreAsPdf(*manager, *document, target_url, "writer_pdf_Export", filter_data);
    } catch (...) {
        // A loaded document left open would keep the suite running hidden.
        try {
            document->Call("Close", {true});
            desktop->Call("Terminate");
        } catch (const std::exception&) {
        }
        throw;
    }
    document->Call("Close", {true});
    desktop->Call("Terminate");
}

std::string OfficeConversion::ConvertSpreadsheet(const std::string& input) {
    return ConvertSpreadsheet(input, PdfNameFor(input));
}

std::string OfficeConversion::ConvertSpreadsheet(const std::string& input, const std::string& pdf) {
    std::string target = pdf;
    const std::string choice = Choice();
    services_.log.LogEvent("00550I",
                           "Convert XLS To PDF met " + choice + ";;;" + input + ";" + target);
    if (choice == "OO") {
        if (std::optional<std::string> made = ConvertWithCalc(input, pdf)) target = *made;
    } else {
        // An undetermined choice takes the first suite, as documents do;
        // a failed Word attempt must not stop every spreadsheet after it.
        if (std::optional<std::string> made = ConvertWithExcel(input, pdf)) target = *made;
    }
    return target;
}

std::optional<std::string> OfficeConversion::ConvertWithExcel(const std::string& input,
                                                              const std::string& pdf) {
    AutomationObjectPtr excel;
    try {
        excel = services_.automation.GetActiveOleObject("Excel.Application");
    } catch (const AutomationError&) {
        try {
            excel = services_.automation.CreateOleObject("Excel.Application");
        } catch (const AutomationError&) {
            services_.ui.ShowMessage(
                services_.translation.Translate(text::kSpreadsheetProgramMissing));
            return std::nullopt;
        }
    }
    const std::string extension = UpperExtension(input);

    excel->Call("Workbooks").AsObject()->Call("add", {kExcelBlankWorksheet});
    excel->Call("Workbooks").AsObject()->Call("Open", {input});
    excel->Put("DisplayAlerts", false);
    excel->Put("Visible", false);
    if (extension == "CSV") {
        excel->Call("ActiveSheet").AsObject()->Call("Columns").AsObject()->Call("AutoFit");
    }
    // A PDF left from an earlier run must not pass for this run's result.
    std::error_code ec;
    if (std::filesystem::exists(pdf, ec) && !std::filesystem::remove(pdf, ec)) {
        throw AutomationError("Cannot replace " + pdf + ": " + ec.message());
    }
    excel->Call("ActiveSheet")
        .AsObject()
        ->Call("ExportAsFixedFormat", {},
               {{"Filename", pdf}, {"Type", kExcelTypePdf}, {"OpenAfterPublish", false}});
    excel->Call("ActiveWindow").AsObject()->Call("close");
    excel->Call("Workbooks").AsObject()->Call("close");
    services_.log.LogEvent("00561I",
                           "After convert XLS To PDF met " + Choice() + ";;;" + input + ";" + pdf);
    return pdf;
}

std::optional<std::string> OfficeConversion::ConvertWithCalc(const std::string& input,
                                                             const std::string& pdf) {
    const std::string target_url = FileUrlFromPath(Absolute(pdf), "File");
    const std::string& source = input;
    services_.log.LogEvent(
        "00550I", "Before convert XLS To PDF met " + Choice() + ";;;" + source + ";" + target_url);
    AutomationObjectPtr manager;
    try {
        manager = services_.automation.CreateOleObject("com.sun.star.ServiceManager");
    } catch (const AutomationError&) {
        services_.ui.ShowMessage(services_.translation.Translate(text::kOfficeConversionFailed));
        return std::nullopt;
    }
    AutomationObjectPtr desktop =
        manager->Call("CreateInstance", {"com.sun.star.frame.Desktop"}).AsObject();
    // "Filtername" is spelled so on purpose: the suite matches names exactly
    // and so detects the type itself; the options then reach CSV only.
    const Array load_arguments = {
        MakePropertyValue(*manager, "Hidden", true),
        MakePropertyValue(*manager, "Filtername", "Text - txt - csv (StarCalc)"),
        MakePropertyValue(*manager, "ReadOnly", true),
        MakePropertyValue(*manager, "FilterOptions", "59,34,0,1"),
    };
    AutomationObjectPtr document =
        desktop
            ->Call("LoadComponentFromURL",
                   {FileUrlFromPath(Absolute(source), "File"), "_blank", 0, load_arguments})
            .AsObject();
    const Array filter_data = {
        MakePropertyValue(*manager, "Magnification", 2),
        MakePropertyValue(*manager, "EncryptFile", false),
        MakePropertyValue(*manager, "DocumentOpenPassword", ""),
        MakePropertyValue(*manager, "HideViewerWindowControls", true),
    };
    // A spreadsheet needs the spreadsheet PDF export; the text document
    // export does not fit it.
    StoreAsPdf(*manager, *document, target_url, "calc_pdf_Export", filter_data);
    const std::optional<std::filesystem::path> stored = PathFromFileUrl(target_url);
    const std::string result = stored ? stored->string() : pdf;
    services_.log.LogEvent(
        "00551I", "After convert XLS To PDF met " + Choice() + ";;;" + source + ";" + result);
    document->Call("Close", {true});
    desktop->Call("Terminate");
    return result;
}

void OfficeConversion::QuitWord() {
    if (!word_started_) return;
    word_started_ = false;
    AutomationObjectPtr word = std::move(word_);
    try {
        word->Call("Quit", {true});
    } catch (const std::exception&) {
        // The instance is gone either way once the reference is released.
    }
}

}  // namespace papyrion
