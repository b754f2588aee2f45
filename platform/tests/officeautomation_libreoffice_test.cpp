#include "platform/officeautomation_libreoffice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "office_command.h"
#include "office_process.h"
#include "platform/officeurl.h"
#include "support/office_test_support.h"
#include "testsupport/files.h"
#include "testsupport/pdf_tools.h"
#include "testsupport/program.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempFolder;
using testing::CopyFixture;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::string SystemPath() {
    const char* path = std::getenv("PATH");
    return path ? path : "/usr/bin:/bin";
}

LibreOfficeOptions Options(const TempFolder& folder, bool keep = true) {
    LibreOfficeOptions options;
    options.temp_dir = folder.Path() / "Temp";
    fs::create_directories(options.temp_dir);
    options.search_path = SystemPath();
    options.keep_instance = keep;
    return options;
}

std::string ProfileMarker(const TempFolder& folder) {
    return (folder.Path() / "Temp" / "lo_profile").string();
}

void SaveThroughWord(AutomationObject& word, const fs::path& input, const fs::path& pdf) {
    word.Put("Visible", false);
    word.Call("Documents").AsObject()->Call("Add");
    word.Call("Documents").AsObject()->Call("Open", {input.string()});
    word.Call("ActiveDocument")
        .AsObject()
        ->Call("SaveAs", {}, {{"Filename", pdf.string()}, {"fileformat", 17}});
}

void ExportThroughExcel(AutomationObject& excel, const fs::path& input, const fs::path& pdf) {
    excel.Call("Workbooks").AsObject()->Call("add", {-4167});
    excel.Call("Workbooks").AsObject()->Call("Open", {input.string()});
    excel.Put("DisplayAlerts", false);
    excel.Put("Visible", false);
    excel.Call("ActiveSheet").AsObject()->Call("Columns").AsObject()->Call("AutoFit");
    excel.Call("ActiveSheet")
        .AsObject()
        ->Call("ExportAsFixedFormat", {},
               {{"Filename", pdf.string()}, {"Type", 0}, {"OpenAfterPublish", false}});
    excel.Call("ActiveWindow").AsObject()->Call("close");
    excel.Call("Workbooks").AsObject()->Call("close");
}

AutomationObjectPtr Property(AutomationObject& manager, const std::string& name,
                             const AutomationValue& value) {
    AutomationObjectPtr property =
        manager.Call("Bridge_GetStruct", {"com.sun.star.beans.PropertyValue"}).AsObject();
    property->Put("Name", name);
    property->Put("Value", value);
    return property;
}

// Load, store with filter data, close, terminate: the service manager's way.
void StoreThroughServiceManager(OfficeAutomation& automation, const fs::path& input,
                                const fs::path& pdf, const std::string& filter,
                                const AutomationValue::Array& filter_data) {
    AutomationObjectPtr manager = automation.CreateOleObject("com.sun.star.ServiceManager");
    AutomationObjectPtr desktop =
        manager->Call("CreateInstance", {"com.sun.star.frame.Desktop"}).AsObject();
    AutomationValue::Array load = {Property(*manager, "Hidden", true),
                                   Property(*manager, "FilterOptions", "59,34,0,1")};
    AutomationObjectPtr document =
        desktop->Call("LoadComponentFromURL", {FileUrlFromPath(input), "_blank", 0, load})
            .AsObject();
    AutomationObjectPtr data = manager->Call("Bridge_GetValueObject").AsObject();
    data->Call("Set", {"[]com.sun.star.beans.PropertyValue", filter_data});
    AutomationValue::Array store = {Property(*manager, "FilterName", filter),
                                    Property(*manager, "FilterData", data)};
    document->Call("StoreToURL", {FileUrlFromPath(pdf, "File"), store});
    document->Call("Close", {true});
    desktop->Call("Terminate");
}

struct Expectation {
    const char* fixture;
    const char* pdf;
    std::vector<std::string> words;
    std::vector<std::string> absent = {};
};

// Converts each fixture, then checks the PDF with independent tools and that
// the input and its folder are as they were.
void ExpectConverted(const TempFolder& folder, const std::vector<Expectation>& cases,
                     const std::function<void(const fs::path&, const fs::path&)>& convert) {
    for (const Expectation& c : cases) {
        SCOPED_TRACE(c.fixture);
        std::string subfolder = c.fixture;
        std::replace(subfolder.begin(), subfolder.end(), '.', '_');
        const fs::path in = folder.Path() / "in" / subfolder;
        const fs::path input = CopyFixture(c.fixture, in);
        const std::string before = ReadFile(input);
        const auto modified = fs::last_write_time(input);
        const fs::path pdf = in / c.pdf;

        convert(input, pdf);

        ASSERT_TRUE(fs::exists(pdf));
        EXPECT_EQ(test::QpdfProblems(pdf), "");
        const std::string text = test::PdfText(pdf);
        for (const std::string& word : c.words) EXPECT_THAT(text, HasSubstr(word));
        for (const std::string& word : c.absent) EXPECT_THAT(text, Not(HasSubstr(word)));
        EXPECT_EQ(ReadFile(input), before);
        EXPECT_EQ(fs::last_write_time(input), modified);
        // Nothing else appears beside the input: no lock file, no partial PDF.
        EXPECT_EQ(std::distance(fs::directory_iterator(in), fs::directory_iterator()), 2);
    }
}

TEST(LibreOfficeAutomation, WordConvertsEveryWordProcessingKindThroughOneKeptInstance) {
    TempFolder folder;
    LibreOfficeAutomation automation(Options(folder));
    AutomationObjectPtr word = automation.CreateOleObject("Word.Application");
    ExpectConverted(
        folder,
        {
            {"letter.doc", "letter.PDF", {"Geachte heer Jansen", "zebra letterhead"}},
            {"letter.docx", "letter.PDF", {"zebra letterhead"}},
            {"letter.rtf", "letter.PDF", {"zebra letterhead"}},
            {"letter.odt", "letter.PDF", {"zebra letterhead"}},
            {"memo.txt", "memo.PDF", {"walrus"}},
        },
        [&](const fs::path& input, const fs::path& pdf) { SaveThroughWord(*word, input, pdf); });
    // While Word lives, its instance can be attached to.
    EXPECT_NE(automation.GetActiveOleObject("Word.Application"), nullptr);
    word->Call("Quit", {true});
    word.reset();
    EXPECT_THAT(testing::RemainingProcesses(ProfileMarker(folder)), IsEmpty());
    EXPECT_THROW(automation.GetActiveOleObject("Excel.Application"), AutomationError);
    // No pipe of the ended instance is left in the system's folder.
    const fs::path profile_pipe =
        office::PipeSocketPath(office::SingleInstancePipeName(ProfileMarker(folder)), getuid());
    EXPECT_FALSE(fs::exists(profile_pipe)) << profile_pipe;

    // The next run starts a new instance on the same profile, whatever the
    // ended one left behind.
    word = automation.CreateOleObject("Word.Application");
    const fs::path again = CopyFixture("letter.docx", folder.Path() / "again");
    SaveThroughWord(*word, again, folder.Path() / "again" / "letter.PDF");
    EXPECT_THAT(test::PdfText(folder.Path() / "again" / "letter.PDF"), HasSubstr("zebra"));
    word.reset();
    EXPECT_THAT(testing::RemainingProcesses(ProfileMarker(folder)), IsEmpty());
}

TEST(LibreOfficeAutomation, ExcelExportsEverySpreadsheetKind) {
    TempFolder folder;
    LibreOfficeAutomation automation(Options(folder));
    AutomationObjectPtr excel = automation.CreateOleObject("Excel.Application");
    ExpectConverted(folder,
                    {
                        // ";" separates, '"' quotes: the quoted ";" stays in its cell
                        {"list.csv", "list.pdf", {"Jansen; Piet", "kiwi"}},
                        // only the sheet a workbook opens with: the first of
                        // these two, the second of the .xlsx
                        {"figures.xls", "figures.pdf", {"Omzet", "1234", "giraffe"}, {"okapi"}},
                        {"figures.ods", "figures.pdf", {"giraffe"}, {"okapi"}},
                        {"figures.xlsx", "figures.pdf", {"okapi"}, {"giraffe"}},
                    },
                    [&](const fs::path& input, const fs::path& pdf) {
                        ExportThroughExcel(*excel, input, pdf);
                    });
    const std::string csv = test::PdfText(folder.Path() / "in" / "list_csv" / "list.pdf");
    EXPECT_THAT(csv, Not(HasSubstr("naam;bedrag")));
    excel.reset();
    EXPECT_THAT(testing::RemainingProcesses(ProfileMarker(folder)), IsEmpty());
}

TEST(LibreOfficeAutomation, ServiceManagerStoresWithFilterDataInAProcessOfItsOwn) {
    TempFolder folder;
    LibreOfficeAutomation automation(Options(folder, /*keep=*/false));
    AutomationObjectPtr manager = automation.CreateOleObject("com.sun.star.ServiceManager");
    const AutomationValue::Array writer_data = {
        Property(*manager, "Magnification", 2),
        Property(*manager, "EncryptFile", true),
        Property(*manager, "DocumentOpenPassword", ""),
        Property(*manager, "HideViewerWindowControls", true),
        Property(*manager, "OpenBookmarkLevels", -1),
        Property(*manager, "ExportLinksRelativeFsys", true),
        Property(*manager, "ExportBookmarksToPDFDestination", true),
    };
    ExpectConverted(folder, {{"letter.docx", "letter.PDF", {"zebra letterhead"}}},
                    [&](const fs::path& input, const fs::path& pdf) {
                        StoreThroughServiceManager(automation, input, pdf, "writer_pdf_Export",
                                                   writer_data);
                    });
    const fs::path letter = folder.Path() / "in" / "letter_docx" / "letter.PDF";
    // Encryption without a password is no encryption: the PDF stays open to
    // everyone, with every permission.
    EXPECT_THAT(test::RunProgram({"qpdf", "--show-encryption", letter}).out,
                HasSubstr("File is not encrypted"));
    EXPECT_THAT(ReadFile(letter), HasSubstr("/HideWindowUI true"));

    // The text export asked for a spreadsheet, CSV options on a workbook:
    // the layer takes what fits the document.
    ExpectConverted(folder,
                    {{"figures.xlsx", "figures.pdf", {"giraffe", "okapi"}},
                     {"list.csv", "list.pdf", {"Jansen; Piet"}}},
                    [&](const fs::path& input, const fs::path& pdf) {
                        StoreThroughServiceManager(automation, input, pdf, "writer_pdf_Export",
                                                   {Property(*manager, "Magnification", 2)});
                    });
    EXPECT_THAT(testing::RemainingProcesses(ProfileMarker(folder)), IsEmpty());
}

TEST(LibreOfficeAutomation, UnreadableFilesFailNamingTheFile) {
    TempFolder folder;
    LibreOfficeAutomation automation(Options(folder));
    AutomationObjectPtr word = automation.CreateOleObject("Word.Application");
    const fs::path in = folder.Path() / "in";
    const fs::path secret = CopyFixture("secret.odt", in);
    const fs::path damaged = CopyFixture("damaged.docx", in);
    for (const fs::path& input : {secret, damaged}) {
        SCOPED_TRACE(input.string());
        const fs::path pdf = in / (input.stem().string() + ".PDF");
        try {
            SaveThroughWord(*word, input, pdf);
            ADD_FAILURE() << "converted";
        } catch (const AutomationError& error) {
            EXPECT_THAT(error.what(), HasSubstr(input.string()));
            EXPECT_THAT(error.what(), HasSubstr("source file could not be loaded"));
        }
        EXPECT_FALSE(fs::exists(pdf));
    }
    try {
        word->Call("Documents").AsObject()->Call("Open", {(in / "missing.docx").string()});
        ADD_FAILURE() << "opened a missing file";
    } catch (const AutomationError& error) {
        EXPECT_THAT(error.what(), HasSubstr("missing.docx"));
    }
    // An empty file is an empty document, not a damaged one: a new Word file
    // made from the file manager has no bytes at all.
    const fs::path empty = in / "empty.docx";
    std::ofstream(empty).close();
    SaveThroughWord(*word, empty, in / "empty.PDF");
    EXPECT_EQ(test::QpdfProblems(in / "empty.PDF"), "");

    // The spreadsheet way: a cut-off workbook, and a text document under a
    // spreadsheet name.
    AutomationObjectPtr excel = automation.CreateOleObject("Excel.Application");
    const fs::path cut = in / "cut.xlsx";
    std::ofstream(cut, std::ios::binary)
        << ReadFile(testing::OfficeFixture("figures.xlsx")).substr(0, 1500);
    const fs::path letter_as_sheet = in / "letter.xls";
    fs::copy_file(testing::OfficeFixture("letter.docx"), letter_as_sheet);
    const std::pair<fs::path, const char*> sheets[] = {
        {cut, "the file could not be loaded"},
        {letter_as_sheet, "the file is not a spreadsheet"},
    };
    for (const auto& [input, reason] : sheets) {
        SCOPED_TRACE(input.string());
        const fs::path pdf = in / (input.stem().string() + ".pdf");
        try {
            ExportThroughExcel(*excel, input, pdf);
            ADD_FAILURE() << "converted";
        } catch (const AutomationError& error) {
            EXPECT_THAT(error.what(), HasSubstr(input.string()));
            EXPECT_THAT(error.what(), HasSubstr(reason));
        }
        EXPECT_FALSE(fs::exists(pdf));
    }
    excel.reset();

    // The instance survives a failed file and converts the next one.
    const fs::path good = CopyFixture("letter.docx", in);
    SaveThroughWord(*word, good, in / "letter.PDF");
    EXPECT_THAT(test::PdfText(in / "letter.PDF"), HasSubstr("zebra"));
    word.reset();
    EXPECT_THAT(testing::RemainingProcesses(ProfileMarker(folder)), IsEmpty());
}

TEST(LibreOfficeAutomation, ALibreOfficeOfTheUserIsLeftAlone) {
    TempFolder folder;
    // The user's own LibreOffice, with a document open.
    const fs::path user = folder.Path() / "user";
    fs::create_directories(user);
    std::ofstream(user / "notes.txt") << "the user's notes\n";
    const auto soffice = FindSoffice(SystemPath());
    ASSERT_TRUE(soffice.has_value());
    const std::string pipe = "papyrion_test_user_" + std::to_string(getpid());
    office::ChildProcess users(
        *soffice, office::InstanceArguments(user / "profile", pipe, user / "notes.txt"),
        user / "log");
    for (int i = 0; i < 600 && !fs::exists(office::PipeSocketPath(pipe, getuid())); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(users.Running());

    LibreOfficeAutomation automation(Options(folder));
    AutomationObjectPtr word = automation.CreateOleObject("Word.Application");
    ExpectConverted(
        folder, {{"letter.docx", "letter.PDF", {"zebra letterhead"}}},
        [&](const fs::path& input, const fs::path& pdf) { SaveThroughWord(*word, input, pdf); });
    word->Call("Quit", {true});
    word.reset();
    EXPECT_THAT(testing::RemainingProcesses(ProfileMarker(folder)), IsEmpty());
    EXPECT_TRUE(users.Running());
    users.EndGroup(std::chrono::seconds(2));
    fs::remove(office::PipeSocketPath(pipe, getuid()));
    fs::remove(office::PipeSocketPath(office::SingleInstancePipeName(user / "profile"), getuid()));
}

TEST(LibreOfficeAutomation, WithoutLibreOfficeNoServerCanBeCreated) {
    TempFolder folder;
    LibreOfficeOptions options = Options(folder);
    fs::create_directories(folder.Path() / "empty_bin");
    options.search_path = (folder.Path() / "empty_bin").string();
    LibreOfficeAutomation automation(options);
    for (const char* prog_id :
         {"Word.Application", "Excel.Application", "com.sun.star.ServiceManager"}) {
        EXPECT_THROW(automation.CreateOleObject(prog_id), AutomationError) << prog_id;
        EXPECT_THROW(automation.GetActiveOleObject(prog_id), AutomationError) << prog_id;
    }
    LibreOfficeAutomation installed(Options(folder));
    EXPECT_THROW(installed.CreateOleObject("WordPerfect.Application"), AutomationError);
}

// A stand-in soffice that misbehaves: it records its own id and that of a
// child it starts, then hangs or crashes.
fs::path WriteFakeSoffice(const fs::path& bin, const fs::path& pids, const std::string& ending) {
    fs::create_directories(bin);
    const fs::path script = bin / "soffice";
    std::ofstream out(script);
    out << "#!/bin/sh\n"
        << "sleep 300 &\n"
        << "echo $! >> '" << pids.string() << "'\n"
        << "echo $$ >> '" << pids.string() << "'\n"
        << ending << "\n";
    out.close();
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

TEST(LibreOfficeAutomation, HungOrCrashedLibreOfficeFailsTheConversionAndLeavesNothing) {
    struct Case {
        const char* name;
        const char* ending;
        bool keep;
        const char* reason;
    };
    const Case cases[] = {
        {"hang, kept instance", "wait", true, "did not finish"},
        {"hang, process per file", "wait", false, "did not finish"},
        {"crash", "kill -SEGV $$", false, "signal 11"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const fs::path pids = folder.Path() / "pids";
        WriteFakeSoffice(folder.Path() / "bin", pids, c.ending);
        LibreOfficeOptions options = Options(folder, c.keep);
        options.search_path = (folder.Path() / "bin").string();
        options.timeout = std::chrono::milliseconds(1500);
        LibreOfficeAutomation automation(options);
        AutomationObjectPtr word = automation.CreateOleObject("Word.Application");
        const fs::path input = CopyFixture("letter.docx", folder.Path() / "in");
        try {
            SaveThroughWord(*word, input, folder.Path() / "in" / "letter.PDF");
            ADD_FAILURE() << "converted";
        } catch (const AutomationError& error) {
            EXPECT_THAT(error.what(), HasSubstr(input.string()));
            EXPECT_THAT(error.what(), HasSubstr(c.reason));
        }
        EXPECT_FALSE(fs::exists(folder.Path() / "in" / "letter.PDF"));
        word.reset();
        std::ifstream started(pids);
        int count = 0;
        for (pid_t pid = 0; started >> pid; ++count) {
            for (int i = 0; i < 100 && testing::ProcessAlive(pid); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            EXPECT_FALSE(testing::ProcessAlive(pid)) << pid;
        }
        EXPECT_GE(count, 2);
    }
}

}  // namespace
}  // namespace papyrion
