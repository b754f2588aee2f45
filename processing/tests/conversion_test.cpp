#include "processing/conversion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "pdfengine/pdf_file.h"
#include "platform/officeautomation_libreoffice.h"
#include "platform/officeautomation_recording.h"
#include "testsupport/pdf_tools.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct LogEntry {
    std::string code;
    std::string text;
    bool operator==(const LogEntry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const LogEntry& entry) {
    return out << entry.code << " " << entry.text;
}

// Real settings model, event log and translation table in a folder of the
// test's own; the office suite is whatever automation the test hands in.
class ConversionTest : public ::testing::Test {
  protected:
    ConversionTest()
        : folder_(fs::temp_directory_path() / ("papyrion_conversion_" + std::to_string(getpid()) +
                                               "_" + std::to_string(std::random_device{}()))),
          settings_(
              Created(folder_) / "Papyrion.ini", [](std::string_view) { return ""; },
              [this](std::string_view) { return folder_.string() + "/"; }),
          log_(LogFile(folder_), LogSwitches{[] { return true; }, [] { return true; }}),
          translation_(PAPYRION_BIN_DIR, "044", ui_, [](const std::string&) {}) {}

    ~ConversionTest() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    static const fs::path& Created(const fs::path& folder) {
        fs::create_directories(folder);
        return folder;
    }
    static fs::path LogFile(const fs::path& folder) {
        const fs::path file = Created(folder) / "Papyrion_Log.csv";
        std::ofstream(file).close();  // the log writes only into a file that exists
        return file;
    }

    OfficeConversion Conversion(OfficeAutomation& automation) {
        return OfficeConversion({automation, settings_, log_, translation_, ui_});
    }

    std::vector<LogEntry> Log() const {
        std::vector<LogEntry> entries;
        std::ifstream in(log_.File());
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            // code;timestamp;elapsed;text
            const std::size_t a = line.find(';');
            const std::size_t b = line.find(';', a + 1);
            const std::size_t c = line.find(';', b + 1);
            if (c == std::string::npos) continue;
            entries.push_back({line.substr(0, a), line.substr(c + 1)});
        }
        return entries;
    }
    std::vector<std::string> LogCodes() const {
        std::vector<std::string> codes;
        for (const LogEntry& entry : Log()) codes.push_back(entry.code);
        return codes;
    }

    std::string Choice() const { return settings_.Value(setting::kPdfConverter); }
    void SetChoice(const std::string& choice) {
        settings_.SetValue(setting::kPdfConverter, choice);
    }

    fs::path folder_;
    RecordingUserInterface ui_;
    SettingsModel settings_;
    EventLog log_;
    TranslationTable translation_;
};

std::vector<std::string> Matching(const std::vector<std::string>& calls, const std::string& part) {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.find(part) != std::string::npos) found.push_back(call);
    }
    return found;
}

TEST_F(ConversionTest, WordSavesThePdfNextToTheInput) {
    RecordingOfficeAutomation word;
    SetChoice("MS");
    OfficeConversion conversion = Conversion(word);

    EXPECT_EQ(conversion.ConvertDocument("/in/brief.docx"), "/in/brief.PDF");
    EXPECT_THAT(
        word.calls,
        ElementsAre("CreateOleObject(Word.Application)", "Word.Application.Visible := false",
                    "Word.Application.Documents()", "Documents.Add()",
                    "Word.Application.Documents()", "Documents.Open(\"/in/brief.docx\")",
                    "Word.Application.ActiveDocument()",
                    "ActiveDocument.SaveAs(Filename:=\"/in/brief.PDF\", fileformat:=17)"));
    EXPECT_THAT(Log(), ElementsAre(LogEntry{"00500I",
                                            "Convert Doc To PDF met MS;;;/in/brief.docx;"
                                            "/in/brief.PDF"}));
    EXPECT_EQ(Choice(), "MS");
    EXPECT_THAT(ui_.calls, ElementsAre("tick"));

    // The instance stays for the next file and is quit once at the run's end.
    word.calls.clear();
    EXPECT_EQ(conversion.ConvertDocument("/in/memo.txt"), "/in/memo.PDF");
    EXPECT_THAT(Matching(word.calls, "CreateOleObject"), IsEmpty());
    conversion.QuitWord();
    conversion.QuitWord();
    EXPECT_THAT(Matching(word.calls, "Quit"), ElementsAre("Word.Application.Quit(true)"));
    EXPECT_FALSE(conversion.WordStarted());
}

TEST_F(ConversionTest, WordFailingOnOpenIsTriedTwiceThenWriterExports) {
    RecordingOfficeAutomation suites;
    suites.FailCall("Word.Application", "Open");
    SetChoice("MS");
    OfficeConversion conversion = Conversion(suites);

    EXPECT_EQ(conversion.ConvertDocument("/in/brief.docx"), "/in/brief.PDF");
    const std::string names = ";;;/in/brief.docx;/in/brief.PDF";
    EXPECT_THAT(Log(), ElementsAre(LogEntry{"00500I", "Convert Doc To PDF met MS" + names},
                                   LogEntry{"00501E", "Convert Doc To PDF Failed" + names},
                                   LogEntry{"00500I", "Convert Doc To PDF met MS" + names},
                                   LogEntry{"00501E", "Convert Doc To PDF Failed" + names},
                                   LogEntry{"00510I", "Start convert Doc To PDF met OO" + names},
                                   LogEntry{"00510I", "End convert Doc To PDF met OO" + names}));
    EXPECT_THAT(Matching(suites.calls, "CreateOleObject(Word"), ElementsAre(testing::_));
    const std::vector<std::string> writer(std::find(suites.calls.begin(), suites.calls.end(),
                                                    "CreateOleObject(com.sun.star.ServiceManager)"),
                                          suites.calls.end());
    EXPECT_THAT(
        writer,
        ElementsAreArray(std::vector<std::string>{
            "CreateOleObject(com.sun.star.ServiceManager)",
            "com.sun.star.ServiceManager.CreateInstance(\"com.sun.star.frame.Desktop\")",
            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
            "PropertyValue.Name := \"Hidden\"",
            "PropertyValue.Value := true",
            "Desktop.LoadComponentFromURL(\"file:///in/brief.docx\", \"_blank\", 0, "
            "[Hidden=true])",
            // seven filter data values, each a struct with a name and a value
            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
            "PropertyValue.Name := \"Magnification\"",
            "PropertyValue.Value := 2",
            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
            "PropertyValue.Name := \"EncryptFile\"",
            "PropertyValue.Value := true",
            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
            "PropertyValue.Name := \"DocumentOpenPassword\"",
            "PropertyValue.Value := \"\"",
            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
            "PropertyValue.Name := \"HideViewerWindowControls\"",
            "PropertyValue.Value := true",
            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
            "PropertyValue.Name := \"OpenBookmarkLevels\"",
            "PropertyValue.Value := -1",
            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
            "PropertyValue.Name := \"ExportLinksRelativeFsys\"",
            "PropertyValue.Value := true",
            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
            "PropertyValue.Name := \"ExportBookmarksToPDFDestination\"",
            "PropertyValue.Value := true",
            "com.sun.star.ServiceManager.Bridge_GetValueObject()",
            "Bridge_GetValueObject.Set(\"[]com.sun.star.beans.PropertyValue\", [Magnification=2, "
            "EncryptFile=true, DocumentOpenPassword=\"\", HideViewerWindowControls=true, "
            "OpenBookmarkLevels=-1, ExportLinksRelativeFsys=true, "
            "ExportBookmarksToPDFDestination=true])",
            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
            "PropertyValue.Name := \"FilterName\"",
            "PropertyValue.Value := \"writer_pdf_Export\"",
            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans.PropertyValue\")",
            "PropertyValue.Name := \"FilterData\"",
            "PropertyValue.Value := Bridge_GetValueObject",
            "LoadComponentFromURL.StoreToURL(\"file:///in/brief.PDF\", "
            "[FilterName=\"writer_pdf_Export\", FilterData=Bridge_GetValueObject])",
            "LoadComponentFromURL.Close(true)",
            "Desktop.Terminate()",
        }));
    EXPECT_EQ(Choice(), "OO");
    EXPECT_THAT(conversion.LastFailure(), IsEmpty()) << "cleared by Writer's success";
}

TEST_F(ConversionTest, ConverterChoiceDecidesWhichSuiteGoesFirst) {
    // W: a Word attempt (00500I), O: a Writer attempt (00510I start)
    struct Case {
        const char* choice;
        bool word_fails;
        bool writer_fails;
        std::vector<std::string> attempts;
        const char* choice_after;
        bool converted;
    };
    const Case cases[] = {
        {"MS", false, false, {"W"}, "MS", true},
        {"MS", true, false, {"W", "W", "O"}, "OO", true},
        {"MS", true, true, {"W", "W", "O"}, "??", false},
        {"OO", false, false, {"O"}, "OO", true},
        {"OO", false, true, {"O", "W"}, "MS", true},
        {"OO", true, true, {"O", "W", "O"}, "??", false},
        {"??", false, false, {"W"}, "MS", true},
        {"??", true, false, {"W", "O"}, "OO", true},
        {"??", true, true, {"W", "O"}, "??", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.choice) + (c.word_fails ? " word fails" : "") +
                     (c.writer_fails ? " writer fails" : ""));
        std::ofstream(log_.File(), std::ios::trunc).close();
        RecordingOfficeAutomation suites;
        if (c.word_fails) suites.FailCall("Word.Application", "SaveAs");
        if (c.writer_fails) suites.FailCall("com.sun.star.ServiceManager", "LoadComponentFromURL");
        SetChoice(c.choice);
        OfficeConversion conversion = Conversion(suites);

        const std::string result = conversion.ConvertDocument("/in/verslag.odt");

        std::vector<std::string> attempts;
        for (const LogEntry& entry : Log()) {
            if (entry.code == "00500I") attempts.emplace_back("W");
            if (entry.text.rfind("Start convert", 0) == 0) attempts.emplace_back("O");
        }
        EXPECT_EQ(attempts, c.attempts);
        EXPECT_EQ(Choice(), c.choice_after);
        EXPECT_EQ(result, c.converted ? "/in/verslag.PDF" : "/in/verslag.odt");
    }
}

TEST_F(ConversionTest, CsvWithExcelFitsColumnsAndExportsTheActiveSheet) {
    RecordingOfficeAutomation excel;
    SetChoice("MS");
    OfficeConversion conversion = Conversion(excel);

    EXPECT_EQ(conversion.ConvertSpreadsheet("/in/list.csv"), "/in/list.pdf");
    EXPECT_THAT(excel.calls,
                ElementsAreArray(std::vector<std::string>{
                    "GetActiveOleObject(Excel.Application)",
                    "CreateOleObject(Excel.Application)",
                    "Excel.Application.Workbooks()",
                    "Workbooks.add(-4167)",
                    "Excel.Application.Workbooks()",
                    "Workbooks.Open(\"/in/list.csv\")",
                    "Excel.Application.DisplayAlerts := false",
                    "Excel.Application.Visible := false",
                    "Excel.Application.ActiveSheet()",
                    "ActiveSheet.Columns()",
                    "Columns.AutoFit()",
                    "Excel.Application.ActiveSheet()",
                    "ActiveSheet.ExportAsFixedFormat(Filename:=\"/in/list.pdf\", Type:=0, "
                    "OpenAfterPublish:=false)",
                    "Excel.Application.ActiveWindow()",
                    "ActiveWindow.close()",
                    "Excel.Application.Workbooks()",
                    "Workbooks.close()",
                }));
    EXPECT_THAT(
        Log(),
        ElementsAre(
            LogEntry{"00550I", "Convert XLS To PDF met MS;;;/in/list.csv;/in/list.pdf"},
            LogEntry{"00561I", "After convert XLS To PDF met MS;;;/in/list.csv;/in/list.pdf"}));
    EXPECT_EQ(Choice(), "MS");
    EXPECT_THAT(ui_.calls, IsEmpty());
}

TEST_F(ConversionTest, ExcelAttachesToARunningOneAndReplacesAnOldPdf) {
    RecordingOfficeAutomation excel;
    excel.running = {"Excel.Application"};
    SetChoice("MS");
    OfficeConversion conversion = Conversion(excel);
    const std::string input = (folder_ / "Cijfers.XLSX").string();
    const fs::path old_pdf = folder_ / "Cijfers.pdf";
    std::ofstream(old_pdf) << "stale";

    EXPECT_EQ(conversion.ConvertSpreadsheet(input), old_pdf.string());
    EXPECT_THAT(Matching(excel.calls, "OleObject"),
                ElementsAre("GetActiveOleObject(Excel.Application)"));
    EXPECT_THAT(Matching(excel.calls, "AutoFit"), IsEmpty());
    // The stand-in wrote nothing: an old file must not pass for the result.
    EXPECT_FALSE(fs::exists(old_pdf));
}

TEST_F(ConversionTest, SpreadsheetWithCalcLogsBothPathForms) {
    RecordingOfficeAutomation calc;
    SetChoice("OO");
    OfficeConversion conversion = Conversion(calc);

    EXPECT_EQ(conversion.ConvertSpreadsheet("/in/cijfers.xlsx"), "/in/cijfers.pdf");
    EXPECT_THAT(
        Log(),
        ElementsAre(
            LogEntry{"00550I", "Convert XLS To PDF met OO;;;/in/cijfers.xlsx;/in/cijfers.pdf"},
            LogEntry{"00550I",
                     "Before convert XLS To PDF met OO;;;/in/cijfers.xlsx;File:///in/cijfers.pdf"},
            LogEntry{"00551I",
                     "After convert XLS To PDF met OO;;;/in/cijfers.xlsx;/in/cijfers.pdf"}));
    EXPECT_THAT(Matching(calc.calls, "LoadComponentFromURL("),
                ElementsAre("Desktop.LoadComponentFromURL(\"File:///in/cijfers.xlsx\", \"_blank\", "
                            "0, [Hidden=true, Filtername=\"Text - txt - csv (StarCalc)\", "
                            "ReadOnly=true, FilterOptions=\"59,34,0,1\"])"));
    EXPECT_THAT(Matching(calc.calls, ".Set("),
                ElementsAre("Bridge_GetValueObject.Set(\"[]com.sun.star.beans.PropertyValue\", "
                            "[Magnification=2, EncryptFile=false, DocumentOpenPassword=\"\", "
                            "HideViewerWindowControls=true])"));
    // The spreadsheet export, not the text document one.
    EXPECT_THAT(Matching(calc.calls, "StoreToURL"),
                ElementsAre("LoadComponentFromURL.StoreToURL(\"File:///in/cijfers.pdf\", "
                            "[FilterName=\"calc_pdf_Export\", FilterData=Bridge_GetValueObject])"));
    const std::vector<std::string> tail(calc.calls.end() - 2, calc.calls.end());
    EXPECT_THAT(tail, ElementsAre("LoadComponentFromURL.Close(true)", "Desktop.Terminate()"));
    EXPECT_EQ(Choice(), "OO");
}

TEST_F(ConversionTest, SpreadsheetSuiteErrorsReachTheCaller) {
    for (const char* choice : {"MS", "OO"}) {
        SCOPED_TRACE(choice);
        RecordingOfficeAutomation suites;
        suites.FailCall("", "Open");
        suites.FailCall("", "LoadComponentFromURL");
        SetChoice(choice);
        OfficeConversion conversion = Conversion(suites);
        EXPECT_THROW(conversion.ConvertSpreadsheet("/in/cijfers.ods"), AutomationError);
        EXPECT_EQ(Choice(), choice);
    }
}

TEST_F(ConversionTest, WithoutLibreOfficeEveryPathFailsAsDesigned) {
    fs::create_directories(folder_ / "empty_bin");
    LibreOfficeOptions options;
    options.temp_dir = folder_ / "Temp";
    options.search_path = (folder_ / "empty_bin").string();
    LibreOfficeAutomation nothing(options);
    OfficeConversion conversion = Conversion(nothing);

    SetChoice("MS");
    EXPECT_EQ(conversion.ConvertDocument("/in/brief.docx"), "/in/brief.docx");
    EXPECT_THAT(LogCodes(),
                ElementsAre("00500I", "00501E", "00500I", "00501E", "00510I", "00501E"));
    EXPECT_EQ(Choice(), "??");
    EXPECT_FALSE(conversion.WordStarted());

    // "??" takes Excel for spreadsheets too; not reachable: its message, and
    // the expected name that the run will find missing.
    EXPECT_EQ(conversion.ConvertSpreadsheet("/in/list.csv"), "/in/list.pdf");
    SetChoice("OO");
    EXPECT_EQ(conversion.ConvertSpreadsheet("/in/cijfers.ods"), "/in/cijfers.pdf");
    EXPECT_THAT(ui_.calls, ElementsAre("tick", "tick", "tick",
                                       "message: " + translation_.Translate("showmsgexcel"),
                                       "message: " + translation_.Translate("showmsgcnvOO")));
    EXPECT_THAT(ui_.calls[3], HasSubstr("spreadsheet"));
    const std::vector<std::string> codes = LogCodes();
    EXPECT_THAT(std::vector<std::string>(codes.begin() + 6, codes.end()),
                ElementsAre("00550I", "00550I", "00550I"));
}

fs::path CopyOfficeFixture(const std::string& name, const fs::path& folder) {
    fs::create_directories(folder);
    const fs::path copy = folder / name;
    fs::copy_file(fs::path(PAPYRION_SOURCE_DIR) / "platform/tests/data/office" / name, copy);
    return copy;
}

using test::PdfText;

// The engine reads what LibreOffice wrote: one page or more, not encrypted.
void ExpectEngineOpens(const fs::path& pdf) {
    pdf::PdfFile file;
    ASSERT_EQ(file.OpenFile(pdf), pdf::PdfReadResult::kRead) << pdf;
    EXPECT_GE(file.PageCount(), 1) << pdf;
    EXPECT_FALSE(file.IsEncrypted()) << pdf;
}

TEST_F(ConversionTest, RealLibreOfficeConvertsDocumentsAndSpreadsheets) {
    LibreOfficeOptions options;
    options.temp_dir = folder_ / "Temp";
    fs::create_directories(options.temp_dir);
    const char* path = std::getenv("PATH");
    options.search_path = path ? path : "/usr/bin:/bin";
    LibreOfficeAutomation libreoffice(options);
    OfficeConversion conversion = Conversion(libreoffice);
    const fs::path in = folder_ / "in";

    SetChoice("MS");
    const fs::path letter = CopyOfficeFixture("letter.docx", in);
    EXPECT_EQ(conversion.ConvertDocument(letter.string()), (in / "letter.PDF").string());
    EXPECT_THAT(PdfText(in / "letter.PDF"), HasSubstr("zebra letterhead"));
    ExpectEngineOpens(in / "letter.PDF");
    EXPECT_EQ(Choice(), "MS");

    const fs::path figures = CopyOfficeFixture("figures.xlsx", in);
    EXPECT_EQ(conversion.ConvertSpreadsheet(figures.string()), (in / "figures.pdf").string());
    EXPECT_THAT(PdfText(in / "figures.pdf"), HasSubstr("okapi"));  // its active sheet
    ExpectEngineOpens(in / "figures.pdf");

    SetChoice("OO");
    const fs::path list = CopyOfficeFixture("list.csv", in);
    EXPECT_EQ(conversion.ConvertSpreadsheet(list.string()), (in / "list.pdf").string());
    EXPECT_THAT(PdfText(in / "list.pdf"), HasSubstr("Jansen; Piet"));
    ExpectEngineOpens(in / "list.pdf");

    // A password-protected file: every suite fails, the run gets the input
    // back and a reason that names the file.
    SetChoice("MS");
    const fs::path secret = CopyOfficeFixture("secret.odt", in);
    EXPECT_EQ(conversion.ConvertDocument(secret.string()), secret.string());
    EXPECT_THAT(conversion.LastFailure(), HasSubstr(secret.string()));
    EXPECT_EQ(Choice(), "??");
    EXPECT_FALSE(fs::exists(in / "secret.PDF"));

    EXPECT_TRUE(conversion.WordStarted());
    conversion.QuitWord();
    EXPECT_FALSE(conversion.WordStarted());
}

TEST(ConversionNames, PdfNamesKeepTheFolderAndSwapTheSuffix) {
    struct Case {
        const char* path;
        const char* spreadsheet;
        const char* document;
    };
    const Case cases[] = {
        {"/in/brief.docx", "/in/brief.pdf", "/in/brief.PDF"},
        {"/in/LIST.CSV", "/in/LIST.pdf", "/in/LIST.PDF"},
        {"/in/jaar.2024.xlsx", "/in/jaar.2024.pdf", "/in/jaar.2024.PDF"},
        // a "." in a folder name is no suffix
        {"/in/v1.2/notes", "/in/v1.2/notes.pdf", "/in/v1.2/notes.PDF"},
        // the spreadsheet search starts one character before the end
        {"/in/brief.", "/in/brief..pdf", "/in/brief.PDF"},
        {"/in/a.b.", "/in/a.pdf", "/in/a.b.PDF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PdfNameFor(c.path), c.spreadsheet) << c.path;
        EXPECT_EQ(DocumentPdfNameFor(c.path), c.document) << c.path;
    }
}

TEST(ConversionNames, MakePropertyValueFillsAStruct) {
    RecordingOfficeAutomation suites;
    AutomationObjectPtr manager = suites.CreateOleObject("com.sun.star.ServiceManager");
    AutomationObjectPtr property = MakePropertyValue(*manager, "ReadOnly", true);
    EXPECT_EQ(property->Describe(), "ReadOnly=true");
    EXPECT_THAT(suites.calls,
                ElementsAre("CreateOleObject(com.sun.star.ServiceManager)",
                            "com.sun.star.ServiceManager.Bridge_GetStruct(\"com.sun.star.beans."
                            "PropertyValue\")",
                            "PropertyValue.Name := \"ReadOnly\"", "PropertyValue.Value := true"));
}

}  // namespace
}  // namespace papyrion
