// papyrion-cli killed in the middle of stamping, and several papyrion-cli
// sharing one data folder: what is left on disk must still be the user's
// file or a complete result.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/cli_bench.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;
using test::CliBench;
using test::kCorpus;
using test::kSampleLetterheadText;
using test::PageText;
using test::QpdfChecks;
using test::QpdfPages;
using test::ReadFile;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kBigPages = 5000;

// A 5000-page input and a complete stamped result of it, made once for all
// tests of this program.
struct BigFiles {
    test::RunFolder folder;
    std::string input = folder / "big.pdf";
    std::string stamped;
    std::string input_bytes;
    std::string stamped_bytes;

    BigFiles() {
        const std::string one = kCorpus + "plain/minimal-document.pdf";
        test::RepeatPdf(one, 10, folder / "10.pdf");
        test::RepeatPdf(folder / "10.pdf", 100, folder / "1000.pdf");
        test::RepeatPdf(folder / "1000.pdf", kBigPages / 1000, input);
        input_bytes = ReadFile(input);
        CliBench bench;
        const std::string copy = bench.docs + "/big.pdf";
        fs::copy_file(input, copy);
        if (bench.Cli(CliBench::StampAll({copy})).exit_code == 0) {
            stamped = folder / "big_stamped.pdf";
            fs::copy_file(bench.docs + "/big_output.pdf", stamped);
            stamped_bytes = ReadFile(stamped);
        }
    }
};

const BigFiles& Big() {
    static const BigFiles files;
    return files;
}

bool IsCompleteStampedResult(const std::string& file) {
    return PageText(file, 1).find(kSampleLetterheadText) != std::string::npos &&
           QpdfPages(file) == kBigPages && QpdfChecks(file);
}

// What stands under a name, for the failure message.
std::string Describe(const std::string& file) {
    if (!QpdfChecks(file))
        return "not a sound PDF (" + std::to_string(fs::file_size(file)) + " bytes)";
    const bool stamped = PageText(file, 1).find(kSampleLetterheadText) != std::string::npos;
    return std::to_string(QpdfPages(file)) + " pages, page 1 " +
           (stamped ? "stamped" : "unstamped");
}

TEST(CliKillTest, AKilledRunLeavesNoHalfOrUnstampedResult) {
    const BigFiles& big = Big();
    ASSERT_EQ(QpdfPages(big.input), kBigPages);
    ASSERT_FALSE(big.stamped.empty()) << "the uninterrupted run failed";
    ASSERT_TRUE(IsCompleteStampedResult(big.stamped));
    struct Case {
        double seconds;
        bool earlier_result;  // a good output of an earlier run is there already
        bool overwrite;
    };
    // The late moments fall into the saving on a quiet machine.
    const Case cases[] = {{0.1, false, false}, {0.3, true, false},  {0.6, false, false},
                          {1.0, true, false},  {1.5, false, false}, {3.5, true, false},
                          {0.3, false, true},  {1.0, false, true},  {3.5, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.seconds) + " s" +
                     (c.earlier_result ? ", earlier result" : "") +
                     (c.overwrite ? ", --overwrite" : ""));
        CliBench bench;
        const std::string input = bench.docs + "/big.pdf";
        const std::string output = bench.docs + "/big_output.pdf";
        fs::copy_file(big.input, input);
        if (c.earlier_result) fs::copy_file(big.stamped, output);
        std::vector<std::string> arguments{input};
        if (c.overwrite) arguments.insert(arguments.begin(), "--overwrite");

        const pid_t pid = test::SpawnCli(bench.xdg, CliBench::StampAll(arguments),
                                         bench.folder / "out", bench.folder / "err");
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::duration<double>(c.seconds));
        ::kill(pid, SIGKILL);
        test::WaitForExit(pid);

        if (c.overwrite) {
            EXPECT_TRUE(ReadFile(input) == big.input_bytes || IsCompleteStampedResult(input))
                << "the input is " << Describe(input);
        } else {
            EXPECT_TRUE(ReadFile(input) == big.input_bytes) << "the input changed";
        }
        if (fs::exists(output)) {
            EXPECT_TRUE(ReadFile(output) == big.stamped_bytes || IsCompleteStampedResult(output))
                << "under the output name: " << Describe(output);
        }
    }
}

// Two runs on one data folder, each with stationery named paper.pdf but of
// its own content: each output carries its own run's stationery and the
// saved statistics count both runs.
TEST(CliConcurrencyTest, RunsSharingADataFolderKeepTheirOwnStationery) {
    CliBench bench;
    struct Run {
        std::string stationery;
        std::string text;  // only in this stationery
        std::string folder;
        pid_t pid = -1;
    };
    Run runs[] = {{bench.folder / "a/paper.pdf", "Claud D. Park", bench.docs + "/one"},
                  {bench.folder / "b/paper.pdf", "WEST UNIVERSITY", bench.docs + "/two"}};
    fs::create_directories(bench.folder / "a");
    fs::create_directories(bench.folder / "b");
    fs::copy_file(kCorpus + "stationery/coverletter.pdf", runs[0].stationery);
    fs::copy_file(kCorpus + "stationery/template.pdf", runs[1].stationery);
    constexpr int kFilesPerRun = 4;
    for (Run& run : runs) {
        for (int i = 0; i < kFilesPerRun; ++i) {
            bench.Corpus("plain/minimal-document.pdf", fs::path(run.folder).filename().string() +
                                                           "/f" + std::to_string(i) + ".pdf");
        }
    }
    for (Run& run : runs) {
        run.pid = test::SpawnCli(bench.xdg,
                                 {"--stationery", "on", "--letterhead", run.stationery,
                                  "--letterhead-rule", "all", run.folder},
                                 run.folder + ".out", run.folder + ".err");
        ASSERT_GT(run.pid, 0);
    }
    for (Run& run : runs) EXPECT_EQ(test::WaitForExit(run.pid), 0) << ReadFile(run.folder + ".err");
    for (const Run& run : runs) {
        const std::string other = &run == &runs[0] ? runs[1].text : runs[0].text;
        for (int i = 0; i < kFilesPerRun; ++i) {
            const std::string output = run.folder + "/f" + std::to_string(i) + "_output.pdf";
            SCOPED_TRACE(output);
            const std::string text = PageText(output, 1);
            EXPECT_THAT(text, HasSubstr(run.text));
            EXPECT_THAT(text, Not(HasSubstr(other)));
        }
    }
    EXPECT_EQ(bench.Setting("Statistiek", "Aangemaakte bestanden"),
              std::to_string(2 * kFilesPerRun));
}

TEST(CliConcurrencyTest, FourRunsAtOnceAreAllCounted) {
    CliBench bench;
    pid_t pids[4];
    for (int run = 0; run < 4; ++run) {
        const std::string folder = bench.docs + "/run" + std::to_string(run);
        bench.Corpus("plain/minimal-document.pdf", "run" + std::to_string(run) + "/a.pdf");
        bench.Corpus("plain/minimal-document.pdf", "run" + std::to_string(run) + "/b.pdf");
        pids[run] = test::SpawnCli(bench.xdg, {"--stationery", "off", folder}, folder + ".out",
                                   folder + ".err");
        ASSERT_GT(pids[run], 0);
    }
    for (pid_t pid : pids) EXPECT_EQ(test::WaitForExit(pid), 0);
    EXPECT_EQ(bench.Setting("Statistiek", "Aangemaakte bestanden"), "8");
}

}  // namespace
}  // namespace papyrion
