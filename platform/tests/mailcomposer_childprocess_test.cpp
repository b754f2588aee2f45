#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "platform/childprocess.h"
#include "support/mailcomposer_recorder.h"

namespace papyrion {
namespace {

using testing::ScratchFolder;

TEST(ChildProcess, HandsEveryArgumentOverIntactWithoutAShell) {
    ScratchFolder dir;
    testing::WriteRecorder(dir / "rec", dir / "args");
    const std::vector<std::string> texts{
        "two  blanks",        "it's \"quoted\"",    "$(touch pwned) `id` ; | &",
        "Zoë & Ŝtéphane.pdf", "line one\nline two", "back\\slash \\c"};
    ChildCommand c;
    c.program = (dir / "rec").string();
    c.arguments = texts;
    ChildResult r = RunChild(c);
    ASSERT_EQ(r.status, ChildResult::Status::kExited);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(testing::RecordedArguments(dir / "args"), texts);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "pwned"));
}

TEST(ChildProcess, ReportsExitCodeOutputAndEnvironment) {
    ChildCommand c;
    c.program = "sh";
    c.arguments = {"-c", "printf '%s' \"$GREETING\"; read x; exit 7"};
    c.environment = {{"GREETING", "hallo wereld"}};
    c.capture_output = true;
    ChildResult r = RunChild(c);
    ASSERT_EQ(r.status, ChildResult::Status::kExited);
    EXPECT_EQ(r.exit_code, 7);
    EXPECT_EQ(r.output, "hallo wereld");
}

TEST(ChildProcess, TellsMissingProgramFromOneThatCannotStart) {
    ScratchFolder dir;
    ChildCommand missing;
    missing.program = (dir / "nothing-here").string();
    EXPECT_EQ(RunChild(missing).status, ChildResult::Status::kNotFound);

    ChildCommand by_name;
    by_name.program = "surely-no-such-program-papyrion";
    EXPECT_EQ(RunChild(by_name).status, ChildResult::Status::kNotFound);

    // Executable bits on a file that is no program: exec refuses it.
    testing::WriteFile(dir / "garbage", std::string("\x7f"
                                                    "ELF garbage",
                                                    12));
    std::filesystem::permissions(dir / "garbage", std::filesystem::perms::owner_all);
    ChildCommand broken;
    broken.program = (dir / "garbage").string();
    ChildResult r = RunChild(broken);
    EXPECT_EQ(r.status, ChildResult::Status::kStartFailed);
    EXPECT_NE(r.error_number, 0);
}

TEST(ChildProcess, KillsOrLeavesRunningAChildPastItsWaitLimit) {
    ChildCommand c;
    c.program = "sleep";
    c.arguments = {"60"};
    c.wait_limit = std::chrono::milliseconds(100);
    EXPECT_EQ(RunChild(c).status, ChildResult::Status::kKilled);

    c.on_timeout = ChildCommand::OnTimeout::kLeaveRunning;
    ChildResult r = RunChild(c);
    ASSERT_EQ(r.status, ChildResult::Status::kStillRunning);
    ASSERT_GT(r.pid, 0);
    std::vector<pid_t> running{r.pid};
    ReapFinishedChildren(running);
    EXPECT_EQ(running.size(), 1u);
    ::kill(r.pid, SIGKILL);
    int status = 0;
    ::waitpid(r.pid, &status, 0);
}

TEST(ChildProcess, FindsProgramsOnTheGivenPathOnly) {
    ScratchFolder dir;
    testing::WriteRecorder(dir / "tool", dir / "args");
    EXPECT_EQ(FindProgram("tool", "/nonexistent:" + dir.Path().string()), dir / "tool");
    EXPECT_FALSE(FindProgram("tool", "/usr/bin"));
    EXPECT_FALSE(FindProgram("", dir.Path().string()));
    // An empty entry would be the folder we run in, which holds no installed
    // programs.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    EXPECT_FALSE(FindProgram("tool", ":/nonexistent:"));
    std::filesystem::current_path(here);
}

}  // namespace
}  // namespace papyrion
