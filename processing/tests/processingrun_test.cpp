#include "processing/processingrun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "processing/pagerules.h"
#include "support/run_fixture.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;
using test::FakePages;
using test::FakePdf;
using test::WriteFile;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST(RunPercent, RoundsHalvesToTheEvenNeighbour) {
    struct Case {
        int counter, total, percent;
    };
    const Case cases[] = {{0, 8, 12},  {2, 8, 38},  {1, 8, 25},  {0, 3, 33}, {1, 3, 67},
                          {0, 1, 100}, {0, 200, 0}, {2, 200, 2}, {6, 8, 88}};
    for (const Case& c : cases) {
        EXPECT_EQ(RunPercent(c.counter, c.total), c.percent) << c.counter << " of " << c.total;
    }
}

TEST(RunPercent, ActivityBarWrapsFrom99To1) {
    EXPECT_EQ(NextActivityPosition(0), 1);
    EXPECT_EQ(NextActivityPosition(98), 99);
    EXPECT_EQ(NextActivityPosition(99), 1);
}

TEST(RunPercent, OutputMarkerLeavesOnlyTheFileName) {
    EXPECT_EQ(WithoutOutputMarker("/a/my_output_files/b_OUTPUT.pdf"), "/a/my_output_files/b.pdf");
    EXPECT_EQ(WithoutOutputMarker("/a/x_output_output.pdf"), "/a/x.pdf");
}

class RunTest : public test::CompositionFixture, public ::testing::Test {
  protected:
    RunTest()
        : run(RunServices{settings,
                          log,
                          ui,
                          test::BracketTranslate,
                          temp_files,
                          mail_collection,
                          composition,
                          HandOffs(),
                          {},
                          [this] {
                              const auto t = now;
                              now += clock_step;
                              return t;
                          },
                          work,
                          ""}) {
        WriteFile(letterhead, FakePdf({"L"}));
        fs::create_directories(docs);
        fs::create_directories(work);
    }

    RunHandOffs HandOffs() {
        RunHandOffs h;
        h.refresh_stationery_tab = [this] {
            calls.push_back("refresh");
            return StampingPageFiles{letterhead, folder / "no-continuation.pdf", "", ""};
        };
        const auto convert = [this](const std::string& input, const std::string& pdf) {
            calls.push_back("convert " + input);
            if (fail_conversion) return input;
            WriteFile(pdf, FakePdf({"converted"}));
            return pdf;
        };
        h.convert_document = convert;
        h.convert_spreadsheet = convert;
        h.quit_office = [this] { calls.push_back("quit office"); };
        h.print_pdf_file = [this](const std::string& path) {
            calls.push_back("print " + path);
            return print_works;
        };
        h.mail_output_file = [this](const std::string& what) {
            calls.push_back("mail " + what + " (" + std::to_string(mail_collection.Size()) + ")");
            return mail_accepts;
        };
        h.sleep = [this](std::chrono::milliseconds ms) {
            calls.push_back("sleep " + std::to_string(ms.count()));
        };
        return h;
    }

    void Stamp(bool on) {
        settings.SetChecked(setting::kWithStationery, on);
        settings.SetItemIndex(setting::kLetterheadMode, kPageModeAllPages);
        settings.SetItemIndex(setting::kStationeryPlacement, 1);
    }

    std::string Input(const std::string& name, const std::string& page = "text") {
        const std::string path = docs + "/" + name;
        WriteFile(path, FakePdf({page}));
        run.Inputs().Add(path);
        return path;
    }

    std::string docs = folder / "docs";
    std::string work = folder / "work";
    std::string letterhead = folder / "briefpapier1.pdf";
    SortedPathList temp_files;
    SortedPathList mail_collection;
    std::chrono::system_clock::time_point now{};
    std::chrono::milliseconds clock_step{0};
    std::vector<std::string> calls;
    bool fail_conversion = false;
    bool mail_accepts = true;
    bool print_works = true;
    ProcessingRun run;
};

TEST_F(RunTest, UnstampedPdfOnKeepLogsItsStepsInOrder) {
    Stamp(false);
    const std::string input = Input("a.pdf");
    run.ProcessInputList();

    const std::string output = docs + "/a_output.pdf";
    EXPECT_THAT(FakePages(output), ElementsAre("text"));
    EXPECT_THAT(run.OutputList().Entries(), ElementsAre(output));
    EXPECT_THAT(LogCodes(), ElementsAre("00600i", "00977I", "00978I", "00800I", "00602i"));
    EXPECT_THAT(LogTexts("00600i"), ElementsAre("Start verwerking bestand;;;" + input));
    EXPECT_THAT(
        LogTexts("00977I"),
        ElementsAre("Setting overlay-s;;;Achtergrond Op alle pagina's  pag=1 " + letterhead +
                    ";Achtergrond Geen pag=1 " + folder / "no-continuation.pdf"));
    EXPECT_THAT(LogTexts("00978I"),
                ElementsAre("Setting verwerking;;;Overschrijf origineel=Nee Archiefmap=Nee "
                            ";Email allinone=Nee EmailTemplate=Ja Output Opslaan=Ja "
                            "Directprint=Nee Email-File=Nee;;;"));
    EXPECT_THAT(LogTexts("00602i"), ElementsAre("Eind verwerking bestand;;0.000;" + input));
    EXPECT_TRUE(run.Inputs().Empty());
    EXPECT_THAT(calls, ElementsAre("refresh", "quit office"));
    EXPECT_EQ(ui.calls.back(), "pending");
    EXPECT_THAT(ui.calls, Contains("status 1: [klaarmetwerk]"));
}

TEST_F(RunTest, PlacesEveryKindOfOutputAsTheTableSays) {
    struct Case {
        const char* name;
        int overwrite;
        int archive;  // 0 none, 1 an existing folder, 2 chosen but missing, 3 the input's folder
        const char* result;  // relative to docs, or "A/..." for the archive
        bool listed;
        std::vector<const char*> gone;  // files that no longer exist
        std::vector<const char*> kept;  // further files that exist
    };
    const Case cases[] = {
        {"x.pdf", 0, 0, "x_output.pdf", true, {}, {"x.pdf"}},
        {"x.pdf", 0, 1, "A/x_output.pdf", true, {"x_output.pdf"}, {"x.pdf"}},
        {"x.pdf", 1, 0, "x.pdf", true, {"x_output.pdf"}, {}},
        {"x.pdf", 1, 1, "x.pdf", true, {"x_output.pdf", "A/x_output.pdf"}, {}},
        {"x.docx", 0, 0, "x.PDF", true, {"x_output.pdf"}, {"x.docx"}},
        // the archive holds a file of that name already: it stays
        {"x.odt", 0, 1, "A/x (2).pdf", true, {"x.PDF", "A/x_output.pdf"}, {"x.odt", "A/x.pdf"}},
        {"x.doc", 1, 0, "x.PDF", true, {"x_output.pdf"}, {"x.doc"}},
        // an archive folder that does not exist: next to the input
        {"x.doc", 0, 2, "x.PDF", true, {"x_output.pdf"}, {"x.doc"}},
        {"x.xlsx", 0, 0, "x.pdf", true, {"x_output.pdf"}, {"x.xlsx"}},
        // the archive is the input's own folder: the result and the converted
        // file share one name, and the result must survive
        {"x.csv", 0, 3, "x.pdf", true, {"x_output.pdf"}, {"x.csv"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " overwrite " + std::to_string(c.overwrite) +
                     " archive " + std::to_string(c.archive));
        fs::remove_all(docs);
        fs::create_directories(docs);
        run.ClearOutputList();
        const std::string archive = c.archive == 3 ? docs : docs + "/A";
        if (c.archive == 1) fs::create_directories(archive);
        if (c.archive == 1) WriteFile(archive + "/x.pdf", "earlier");
        settings.SetItemIndex(setting::kOverwriteInput, c.overwrite);
        settings.SetItemIndex(setting::kArchiveOutputs, c.archive == 0 ? 0 : 1);
        settings.SetValue(setting::kArchiveFolder, archive);
        Stamp(true);
        Input(c.name);

        run.ProcessInputList();

        const std::string result = docs + "/" + c.result;
        ASSERT_EQ(run.Outcomes().size(), 1u);
        EXPECT_EQ(run.Outcomes()[0].output, result);
        EXPECT_THAT(FakePages(result).at(0), HasSubstr("{L}")) << "stamped";
        if (c.listed) {
            EXPECT_THAT(run.OutputList().Entries(), ElementsAre(result));
        } else {
            EXPECT_THAT(run.OutputList().Entries(), IsEmpty());
        }
        for (const char* name : c.gone) EXPECT_FALSE(fs::exists(docs + "/" + name)) << name;
        for (const char* name : c.kept) EXPECT_TRUE(fs::exists(docs + "/" + name)) << name;
        if (c.archive == 1) {
            EXPECT_EQ(test::ReadFile(archive + "/x.pdf"), "earlier");
        }
        // Nothing of the run's own is left: no hidden side folder, no converted file.
        for (const auto& entry : fs::recursive_directory_iterator(docs)) {
            EXPECT_NE(entry.path().filename().string().rfind(".papyrion-", 0), 0u) << entry.path();
        }
        EXPECT_TRUE(fs::is_empty(work));
    }
}

// A run never replaces a file it did not write, and no two inputs of one run
// share an output name.
TEST_F(RunTest, OutputsTakeAFreeNameInsteadOfReplacingAFile) {
    Stamp(true);
    const std::string users_pdf = docs + "/report.pdf";
    WriteFile(users_pdf, FakePdf({"the user's own", "ten pages"}));
    Input("report.csv");
    Input("letter.docx");
    Input("letter.odt");
    fs::create_directories(docs + "/a");
    fs::create_directories(docs + "/b");
    const std::string archive = folder / "archive";
    fs::create_directories(archive);
    run.ProcessInputList();
    EXPECT_THAT(FakePages(users_pdf), ElementsAre("the user's own", "ten pages"));
    std::vector<std::string> outputs;
    for (const FileOutcome& outcome : run.Outcomes()) outputs.push_back(outcome.output);
    EXPECT_THAT(outputs, ElementsAre(docs + "/letter.PDF", docs + "/letter (2).PDF",
                                     docs + "/report (2).pdf"));
    for (const std::string& output : outputs) {
        EXPECT_THAT(FakePages(output), ElementsAre("{L}converted")) << output;
    }
    EXPECT_THAT(Messages(), Contains(HasSubstr(users_pdf + " -> " + docs + "/report (2).pdf")));

    // Two folders with a file of one name into one archive: two outputs.
    settings.SetItemIndex(setting::kArchiveOutputs, 1);
    settings.SetValue(setting::kArchiveFolder, archive);
    WriteFile(docs + "/a/letter.pdf", FakePdf({"a"}));
    WriteFile(docs + "/b/letter.pdf", FakePdf({"b"}));
    run.Inputs().Add(docs + "/a/letter.pdf");
    run.Inputs().Add(docs + "/b/letter.pdf");
    run.ProcessInputList();
    EXPECT_THAT(FakePages(archive + "/letter_output.pdf"), ElementsAre("{L}a"));
    EXPECT_THAT(FakePages(archive + "/letter (2)_output.pdf"), ElementsAre("{L}b"));

    // A later run replaces its own earlier output, not the user's files.
    run.Inputs().Add(docs + "/a/letter.pdf");
    run.ProcessInputList();
    EXPECT_EQ(run.Outcomes()[0].output, archive + "/letter_output.pdf");
}

// Outputs are never more open than their input; overwriting keeps the mode
// and refuses a file its permission bits keep from being written.
TEST_F(RunTest, OutputsKeepThePermissionsOfTheirInput) {
    Stamp(true);
    const std::string secret = Input("secret.pdf");
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    run.ProcessInputList();
    EXPECT_EQ(fs::status(docs + "/secret_output.pdf").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    settings.SetItemIndex(setting::kOverwriteInput, 1);
    run.Inputs().Add(secret);
    run.ProcessInputList();
    EXPECT_THAT(FakePages(secret), ElementsAre("{L}text"));
    EXPECT_EQ(fs::status(secret).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    const std::string read_only = Input("read-only.pdf", "keep me");
    fs::permissions(read_only, fs::perms::owner_read | fs::perms::group_read);
    run.ProcessInputList();
    EXPECT_THAT(FakePages(read_only), ElementsAre("keep me"));
    ASSERT_EQ(run.Outcomes().size(), 1u);
    EXPECT_FALSE(run.Outcomes()[0].produced);
    EXPECT_EQ(run.Outcomes()[0].failure, "[Overschrijfniet]" + read_only);
}

TEST_F(RunTest, ConvertedDocumentReplacementIsLogged) {
    Stamp(false);
    const std::string input = Input("letter.docx");
    run.ProcessInputList();
    const std::string pdf = docs + "/letter.PDF";
    const std::string output = docs + "/letter_output.pdf";
    EXPECT_THAT(LogCodes(),
                ElementsAre("00600i", "00977I", "00978I", "00800I", "00903I", "00578i", "00602i"));
    EXPECT_THAT(LogTexts("00578i"), ElementsAre(::testing::EndsWith(";" + pdf)));
    EXPECT_THAT(LogTexts("00602i"), ElementsAre("Eind verwerking bestand;;0.000;" + input));
    EXPECT_FALSE(fs::exists(output));
    EXPECT_THAT(run.OutputList().Entries(), ElementsAre(pdf));
    EXPECT_THAT(calls, Contains("convert " + input));
}

TEST_F(RunTest, ElapsedFieldShowsTheSecondsPartOnly) {
    Stamp(false);
    Input("a.pdf");
    // The run reads the clock at the start and at the end of the file.
    clock_step = std::chrono::milliseconds(65250);
    run.ProcessInputList();
    EXPECT_THAT(LogTexts("00602i"), ElementsAre(HasSubstr(";;5.250;")));
}

TEST_F(RunTest, HandsOffByActionCode) {
    struct Case {
        const char* action;
        int all_in_one, directsave, directprint, directmail;
        std::vector<std::string> calls;  // with the outputs written as #a, #b
        bool discarded;
    };
    const Case cases[] = {
        {"1", 0, 0, 0, 0, {}, false},
        {"0", 1, 1, 1, 1, {}, false},
        {"x", 1, 1, 1, 1, {}, false},
        {"3", 0, 0, 0, 0, {"print #a", "sleep 1000", "print #b", "sleep 1000"}, true},
        {"2", 0, 0, 0, 0, {"mail #a (0)", "mail #b (0)"}, true},
        // collected: one mail after the last file, with both attached
        {"2", 1, 0, 0, 0, {"mail MailinOne (2)"}, true},
        {"4", 0, 1, 1, 0, {"print #a", "print #b"}, true},
        {"4", 0, 0, 0, 1, {"mail #a (0)", "mail #b (0)"}, false},
        {"4", 1, 0, 0, 1, {"mail MailinOne (2)"}, false},
    };
    Stamp(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("action ") + c.action);
        settings.SetItemIndex(setting::kAllInOneMail, c.all_in_one);
        settings.SetItemIndex(setting::kDirectSave, c.directsave);
        settings.SetItemIndex(setting::kDirectPrint, c.directprint);
        settings.SetItemIndex(setting::kDirectMail, c.directmail);
        run.SetActionCode(c.action);
        temp_files.Clear();
        Input("a.pdf");
        Input("b.pdf");
        calls.clear();
        run.ProcessInputList();

        std::vector<std::string> expected{"refresh"};
        for (std::string call : c.calls) {
            for (const char* name : {"a", "b"}) {
                const std::size_t at = call.find(std::string("#") + name);
                if (at != std::string::npos) {
                    call.replace(at, 2, docs + "/" + name + "_output.pdf");
                }
            }
            expected.push_back(call);
        }
        expected.push_back("quit office");
        EXPECT_THAT(calls, ElementsAreArray(expected));
        EXPECT_EQ(temp_files.Size(), c.discarded ? 2u : 0u);
    }
}

// A print or mail that fails is a failure of its input, and the output stays.
TEST_F(RunTest, AFailedHandOffFailsTheInputAndKeepsTheOutput) {
    struct Case {
        const char* action;
        int all_in_one;
        bool print_works, mail_accepts;
        const char* failure;
    };
    const Case cases[] = {
        {"3", 0, false, true, "[Nietgeprint]"},
        {"2", 0, true, false, "[Nietgemaild]"},
        {"2", 1, true, false, "[Nietgemaild]"},
        {"4", 0, false, true, "[Nietgeprint]"},
    };
    Stamp(false);
    settings.SetItemIndex(setting::kDirectPrint, 1);
    settings.SetItemIndex(setting::kDirectSave, 1);  // not kept, were all well
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + " " + c.failure);
        settings.SetItemIndex(setting::kAllInOneMail, c.all_in_one);
        print_works = c.print_works;
        mail_accepts = c.mail_accepts;
        temp_files.Clear();
        run.SetActionCode(c.action);
        Input("a.pdf");
        run.ProcessInputList();
        const std::string output = docs + "/a_output.pdf";
        ASSERT_EQ(run.Outcomes().size(), 1u);
        EXPECT_TRUE(run.Outcomes()[0].produced);
        EXPECT_EQ(run.Outcomes()[0].failure, c.failure + output);
        EXPECT_TRUE(temp_files.Empty()) << "a failed hand-off never discards the output";
        EXPECT_THAT(LogTexts("00605E"),
                    Contains("Verwerking mislukt;;;" + docs + "/a.pdf;" + c.failure + output));
    }
}

// A stationery that cannot be laid fails every input that is to get it:
// no unstamped output is presented as a result.
TEST_F(RunTest, AStationeryProblemFailsTheInputsInsteadOfLeavingThemUnstamped) {
    Stamp(true);
    ProcessingRun broken(
        RunServices{settings,
                    log,
                    ui,
                    test::BracketTranslate,
                    temp_files,
                    mail_collection,
                    composition,
                    [this] {
                        RunHandOffs h = HandOffs();
                        h.refresh_stationery_tab = [] {
                            return StampingPageFiles{"", "", "gone: paper.pdf", ""};
                        };
                        return h;
                    }(),
                    {},
                    std::chrono::system_clock::now,
                    work,
                    ""});
    WriteFile(docs + "/a.pdf", FakePdf({"a"}));
    broken.Inputs().Add(docs + "/a.pdf");
    broken.ProcessInputList();
    ASSERT_EQ(broken.Outcomes().size(), 1u);
    EXPECT_FALSE(broken.Outcomes()[0].produced);
    EXPECT_EQ(broken.Outcomes()[0].failure, "gone: paper.pdf");
    EXPECT_FALSE(fs::exists(docs + "/a_output.pdf"));

    settings.SetChecked(setting::kWithStationery, false);
    broken.Inputs().Add(docs + "/a.pdf");
    broken.ProcessInputList();
    EXPECT_TRUE(broken.Outcomes()[0].produced) << "without stationery nothing is missing";
}

TEST_F(RunTest, UnreadableOrUnconvertedFilesStopWithoutOutputAndTheRunGoesOn) {
    Stamp(true);
    run.SetActionCode("3");
    const std::string damaged = docs + "/damaged.pdf";
    WriteFile(damaged, "%PDF-1.7 but nothing else");
    run.Inputs().Add(damaged);
    fail_conversion = true;
    const std::string doc = Input("memo.txt");
    Input("z.pdf");
    run.ProcessInputList();

    ASSERT_EQ(run.Outcomes().size(), 3u);
    EXPECT_FALSE(run.Outcomes()[0].produced);
    EXPECT_FALSE(run.Outcomes()[1].produced);
    EXPECT_TRUE(run.Outcomes()[2].produced);
    EXPECT_FALSE(fs::exists(docs + "/damaged_output.pdf"));
    EXPECT_THAT(run.OutputList().Entries(), ElementsAre(docs + "/z_output.pdf"));
    EXPECT_THAT(Messages(), ElementsAre(HasSubstr(damaged), "[showmsgconv01]" + doc));
    EXPECT_THAT(LogTexts("07600E"), ElementsAre("conversion failed or invalid suffix;;;" + doc));
    // Only the one output was printed.
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("print", 0) == 0; }),
              1);
}

TEST_F(RunTest, OverwriteKeepsTheInputWhenStampingFails) {
    settings.SetItemIndex(setting::kOverwriteInput, 1);
    Stamp(true);
    WriteFile(letterhead, "damaged stationery");
    const std::string input = Input("keep.pdf", "original");
    run.ProcessInputList();
    EXPECT_THAT(FakePages(input), ElementsAre("original"));
    EXPECT_FALSE(fs::exists(docs + "/keep_output.pdf"));
    EXPECT_FALSE(run.Outcomes()[0].produced);
    EXPECT_THAT(run.OutputList().Entries(), IsEmpty());
}

TEST_F(RunTest, ARunStartedDuringARunLeavesTheWorkToTheGoingOne) {
    // A drop handled while pending messages run adds a file and starts a run.
    struct DroppingUi : RecordingUserInterface {
        std::function<void()> on_pending;
        void ProcessPendingMessages() override {
            RecordingUserInterface::ProcessPendingMessages();
            if (on_pending) std::exchange(on_pending, nullptr)();
        }
    } dropping_ui;
    Stamp(false);
    ProcessingRun nested(RunServices{settings,
                                     log,
                                     dropping_ui,
                                     test::BracketTranslate,
                                     temp_files,
                                     mail_collection,
                                     composition,
                                     HandOffs(),
                                     {},
                                     std::chrono::system_clock::now,
                                     work,
                                     ""});
    const std::string late = docs + "/late.pdf";
    WriteFile(late, FakePdf({"late"}));
    dropping_ui.on_pending = [&] {
        nested.Inputs().Add(late);
        nested.ProcessInputList();
    };
    WriteFile(docs + "/first.pdf", FakePdf({"first"}));
    nested.Inputs().Add(docs + "/first.pdf");
    nested.ProcessInputList();
    ASSERT_EQ(nested.Outcomes().size(), 2u);
    EXPECT_EQ(nested.Outcomes()[1].output, docs + "/late_output.pdf");
    EXPECT_FALSE(nested.Running());
}

TEST_F(RunTest, OverwriteFromAnArchiveOnAnotherDiskStillReplacesTheInput) {
    struct stat here {
    }, there{};
    if (::stat(docs.c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 ||
        here.st_dev == there.st_dev || ::access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second file system to hold the archive";
    }
    const std::string archive = "/dev/shm/" + fs::path(folder.Path()).filename().string();
    fs::create_directories(archive);
    settings.SetItemIndex(setting::kOverwriteInput, 1);
    settings.SetItemIndex(setting::kArchiveOutputs, 1);
    settings.SetValue(setting::kArchiveFolder, archive);
    Stamp(true);
    const std::string input = Input("x.pdf", "original");
    run.ProcessInputList();
    EXPECT_THAT(FakePages(input), ElementsAre("{L}original"));
    EXPECT_FALSE(fs::exists(archive + "/x_output.pdf"));
    EXPECT_TRUE(fs::is_empty(archive));
    fs::remove_all(archive);
}

TEST_F(RunTest, StatusShowsPercentAndCounts) {
    Stamp(false);
    for (const char* name :
         {"1.pdf", "2.pdf", "3.pdf", "4.pdf", "5.pdf", "6.pdf", "7.pdf", "8.pdf"}) {
        Input(name);
    }
    run.ProcessInputList();
    EXPECT_THAT(ui.calls, Contains("status 1: 12% 0[van]8 [Bestanden], [Paginas]:0"));
    EXPECT_THAT(ui.calls, Contains("status 1: 38% 2[van]8 [Bestanden], [Paginas]:2"));
    EXPECT_THAT(ui.calls, Contains("status 2: " + docs + "/3.pdf"));
}

}  // namespace
}  // namespace papyrion
