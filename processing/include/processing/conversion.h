#pragma once
// Turns word-processing and spreadsheet files into a PDF next to the input,
// through the office automation: Word (or LibreOffice's stand-in for it)
// first, the OpenOffice service manager as the second way for documents;
// Excel or Calc for spreadsheets, as the converter choice says.
//
// The order of calls, the PDF names, the event-log entries and the updates
// of the converter choice (`Opties`/`PDFConverter`) are fixed: stored logs,
// settings and the processing run rely on them.

#include <optional>
#include <string>
#include <string_view>

#include "core/eventlog.h"
#include "core/settings.h"
#include "core/translation.h"
#include "core/userinterface.h"
#include "platform/officeautomation.h"

namespace papyrion {

// The spreadsheet PDF name: the path up to and including the "." of its
// suffix (searched from the second-to-last character back), then "pdf".
// Only a "." in the file name counts; a name without one gets ".pdf" added.
std::string PdfNameFor(std::string_view path);

// The word-processing PDF name: the same with the last "." and "PDF".
std::string DocumentPdfNameFor(std::string_view path);

// "com.sun.star.beans.PropertyValue" with Name and Value put.
AutomationObjectPtr MakePropertyValue(AutomationObject& service_manager, const std::string& name,
                                      const AutomationValue& value);

struct ConversionServices {
    OfficeAutomation& automation;
    SettingsModel& settings;  // the converter choice `Opties`/`PDFConverter`
    EventLog& log;
    TranslationTable& translation;
    UserInterface& ui;
};

class OfficeConversion {
  public:
    explicit OfficeConversion(ConversionServices services);

    // The PDF made by Word or Writer, or `input` when neither succeeded.
    // The PDF is written to `pdf`; without it, beside the input
    // (DocumentPdfNameFor).
    std::string ConvertDocument(const std::string& input);
    std::string ConvertDocument(const std::string& input, const std::string& pdf);
    // The PDF made by Excel or Calc, or the expected PDF name when no suite
    // was reached. Errors of a suite after it was reached are raised
    // (AutomationError, naming the file). Written to `pdf`; without it,
    // beside the input (PdfNameFor).
    std::string ConvertSpreadsheet(const std::string& input);
    std::string ConvertSpreadsheet(const std::string& input, const std::string& pdf);

    // The PDF path on success, `input` on failure; never raise.
    std::string ConvertWithWord(const std::string& input, const std::string& pdf);
    std::string ConvertWithWriter(const std::string& input, const std::string& pdf);
    // The PDF path, or nothing when the suite could not be reached (the
    // message has been shown then).
    std::optional<std::string> ConvertWithExcel(const std::string& input, const std::string& pdf);
    std::optional<std::string> ConvertWithCalc(const std::string& input, const std::string& pdf);

    // End of a processing run: quits the Word instance this program started.
    void QuitWord();
    bool WordStarted() const { return word_started_; }

    // Why the last Word or Writer attempt failed (names the file), for the
    // run's message; empty after a success.
    const std::string& LastFailure() const { return last_failure_; }

  private:
    std::string Choice() const;
    void SetChoice(const std::string& choice);
    void WriterExport(const std::string& source_url, const std::string& target_url);

    ConversionServices services_;
    AutomationObjectPtr word_;
    bool word_started_ = false;
    std::string last_failure_;
};

}  // namespace papyrion
