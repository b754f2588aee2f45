#include "office_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "office_md5.h"
#include "platform/officeurl.h"

namespace papyrion::office {
namespace {

TEST(OfficeCommand, ImportFilterFitsTheSuffix) {
    struct Case {
        const char* path;
        const char* csv_options;
        const char* expected;
    };
    const Case cases[] = {
        // charset 0 means "the system's"; text files here are UTF-8 (76)
        {"/in/list.csv", "59,34,0,1", "CSV:59,34,76,1"},
        {"/in/LIST.CSV", "59,34,0,1", "CSV:59,34,76,1"},
        {"/in/list.csv", "44,34,12,2", "CSV:44,34,12,2"},
        // containers get their filter forced, so damage fails the load
        {"/in/brief.docx", "59,34,0,1", "MS Word 2007 XML"},
        {"/in/brief.ODT", "", "writer8"},
        {"/in/cijfers.xlsx", "59,34,0,1", "Calc MS Excel 2007 XML"},
        {"/in/cijfers.ods", "59,34,0,1", "calc8"},
        // a .doc may hold RTF or HTML, which Word opens too: detect
        {"/in/brief.doc", "59,34,0,1", ""},
        {"/in/brief.rtf", "59,34,0,1", ""},
        {"/in/memo.txt", "59,34,0,1", ""},
        {"/in/cijfers.xls", "59,34,0,1", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImportFilterFor(c.path, c.csv_options), c.expected) << c.path;
    }
}

TEST(OfficeCommand, ExportFilterFollowsTheDocumentKind) {
    struct Case {
        const char* path;
        const char* filter;
    };
    const Case cases[] = {
        {"/in/a.docx", "writer_pdf_Export"}, {"/in/a.txt", "writer_pdf_Export"},
        {"/in/a.odt", "writer_pdf_Export"},  {"/in/a.csv", "calc_pdf_Export"},
        {"/in/a.XLS", "calc_pdf_Export"},    {"/in/a.xlsx", "calc_pdf_Export"},
        {"/in/a.xlsb", "calc_pdf_Export"},   {"/in/a.ods", "calc_pdf_Export"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PdfExportFilterFor(KindForPath(c.path)), c.filter) << c.path;
    }
}

TEST(OfficeCommand, ExportOptionsBecomeTypedJson) {
    const std::vector<ExportOption> options = {
        {"Magnification", 2},
        {"EncryptFile", true},
        {"DocumentOpenPassword", std::string("a\"b\\c")},
        {"OpenBookmarkLevels", -1},
    };
    EXPECT_EQ(ExportOptionsJson(options),
              R"({"Magnification":{"type":"long","value":"2"},)"
              R"("EncryptFile":{"type":"boolean","value":"true"},)"
              R"("DocumentOpenPassword":{"type":"string","value":"a\"b\\c"},)"
              R"("OpenBookmarkLevels":{"type":"long","value":"-1"}})");
    EXPECT_EQ(ExportOptionsJson({}), "{}");
}

TEST(OfficeCommand, ConvertCommandLineKeepsTheProfilePrivate) {
    ConversionJob job;
    job.source = "/tmp/w/in/list.csv";
    job.out_dir = "/tmp/w/out";
    job.kind = DocumentKind::kSpreadsheet;
    job.import_filter = "CSV:59,34,76,1";
    job.export_options = {{"Magnification", 2}};
    const std::vector<std::string> expected = {
        "-env:UserInstallation=file:///tmp/my%20profile",
        "--headless",
        "--invisible",
        "--nologo",
        "--norestore",
        "--nofirststartwizard",
        "--nolockcheck",
        "--nodefault",
        "--infilter=CSV:59,34,76,1",
        "--convert-to",
        R"(pdf:calc_pdf_Export:{"Magnification":{"type":"long","value":"2"}})",
        "--outdir",
        "/tmp/w/out",
        "/tmp/w/in/list.csv",
    };
    EXPECT_EQ(ConvertArguments("/tmp/my profile", job), expected);

    job.import_filter.clear();
    job.export_options.clear();
    job.kind = DocumentKind::kText;
    const std::vector<std::string> plain = ConvertArguments("/p", job);
    EXPECT_EQ(std::count(plain.begin(), plain.end(), "pdf:writer_pdf_Export"), 1);
    EXPECT_TRUE(std::none_of(plain.begin(), plain.end(),
                             [](const std::string& a) { return a.rfind("--infilter", 0) == 0; }));
}

TEST(OfficeCommand, InstanceListensOnItsOwnPipeAndHoldsADocument) {
    const std::vector<std::string> args = InstanceArguments("/p", "papyrion_7", "/w/keep.txt");
    EXPECT_EQ(args.front(), "-env:UserInstallation=file:///p");
    EXPECT_EQ(args[args.size() - 2], "--accept=pipe,name=papyrion_7;urp;");
    EXPECT_EQ(args.back(), "/w/keep.txt");
    EXPECT_EQ(PipeSocketPath("papyrion_7", 1000, true), "/tmp/OSL_PIPE_1000_papyrion_7");
    EXPECT_EQ(PipeSocketPath("papyrion_7", 1000, false), "/var/tmp/OSL_PIPE_1000_papyrion_7");
}

TEST(OfficeCommand, ActiveSheetMacroArgumentsStayParsable) {
    struct Case {
        const char* source;
        const char* import_filter;
        const char* kind_and_options;
    };
    const Case cases[] = {
        {"/w/in/list.csv", "CSV:59,34,76,1", R"("csv","59/34/76/1")"},
        {"/w/in/cijfers.xlsx", "Calc MS Excel 2007 XML", R"("xlsx","")"},
        {"/w/in/cijfers.ods", "calc8", R"("ods","")"},
        {"/w/in/cijfers.xls", "", R"("","")"},
    };
    for (const Case& c : cases) {
        const std::string url =
            ActiveSheetMacroUrl(FileUrlFromPath(std::string(c.source)), "file:///w/out/sheet.pdf",
                                c.source, c.import_filter, "file:///w/out/failure.txt");
        EXPECT_EQ(url, "macro:///Standard.Module1.ExportActiveSheet(\"" +
                           FileUrlFromPath(std::string(c.source)) +
                           "\",\"file:///w/out/sheet.pdf\"," + c.kind_and_options +
                           ",\"file:///w/out/failure.txt\")");
    }
    // Quotes, commas and parentheses of a name never reach the argument list.
    const std::string odd =
        ActiveSheetMacroUrl(FileUrlFromPath("/w/in/a \"(1),2\".xls"), "t", "", "", "f");
    EXPECT_EQ(std::count(odd.begin(), odd.end(), '"'), 10);
    EXPECT_EQ(std::count(odd.begin(), odd.end(), '('), 1);
    EXPECT_THAT(ActiveSheetModule(), ::testing::HasSubstr("getActiveSheet()"));
}

TEST(OfficeCommand, Md5MatchesTheReferenceVectors) {
    // RFC 1321, appendix A.5
    struct Case {
        const char* input;
        const char* digest;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) {
        std::string hex;
        for (std::uint8_t byte : Md5(c.input)) {
            static constexpr char kHex[] = "0123456789abcdef";
            hex += kHex[byte >> 4];
            hex += kHex[byte & 0x0F];
        }
        EXPECT_EQ(hex, c.digest) << c.input;
    }
}

TEST(OfficeCommand, SingleInstancePipeIsNamedAfterTheProfile) {
    // The name LibreOffice 7.4 gave the pipe of this profile; its digest has
    // a byte below 16, written as one digit.
    EXPECT_EQ(SingleInstancePipeName("/tmp/Papyrion/Temp/lo_profile"),
              "SingleOfficeIPC_9d92762788c9a7826fbbca3745698c7");
}

TEST(OfficeCommand, FailureReasonSkipsTheNoise) {
    struct Case {
        const char* output;
        const char* reason;
    };
    const Case cases[] = {
        {"Warning: failed to launch javaldx - java may not function correctly\n"
         "Error: source file could not be loaded\n",
         "Error: source file could not be loaded"},
        {"convert /a.docx -> /b.pdf using filter : writer_pdf_Export\n", ""},
        {"something odd\nError: Please verify input parameters...\n",
         "Error: Please verify input parameters..."},
        {"something odd\n", "something odd"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FailureReason(c.output), c.reason) << c.output;
}

TEST(OfficeUrl, PathsBecomeFileUrlsAndBack) {
    struct Case {
        const char* path;
        const char* url;
    };
    const Case cases[] = {
        {"/in/brief.docx", "file:///in/brief.docx"},
        {"/in/mijn brief #2.docx", "file:///in/mijn%20brief%20%232.docx"},
        {"/in/a\\b.docx", "file:///in/a%5Cb.docx"},  // a backslash is a name character here
        {"/in/100%.odt", "file:///in/100%25.odt"},
        {"/in/\xC3\xA9t\xC3\xA9.rtf", "file:///in/%C3%A9t%C3%A9.rtf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileUrlFromPath(c.path), c.url);
        EXPECT_EQ(PathFromFileUrl(c.url), std::filesystem::path(c.path)) << c.url;
    }
    EXPECT_EQ(FileUrlFromPath("/in/x.pdf", "File"), "File:///in/x.pdf");
    EXPECT_EQ(PathFromFileUrl("File:///in/x.pdf"), std::filesystem::path("/in/x.pdf"));
    EXPECT_EQ(PathFromFileUrl("file://localhost/in/x.pdf"), std::filesystem::path("/in/x.pdf"));
    for (const char* bad : {"http://host/x", "file://host/x", "file:///x%2", "file:///x%zz",
                            "file:///a%00b", "file:", ""}) {
        EXPECT_FALSE(PathFromFileUrl(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace papyrion::office
