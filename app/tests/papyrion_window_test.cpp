// papyrion on a real (virtual) X display: it shows its window and ends with
// its end steps on SIGTERM.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

bool OnPath(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Slurp(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PapyrionWindow, ShowsItsTitledWindowAndEndsCleanlyOnSigterm) {
    if (!OnPath("Xvfb") || !OnPath("xdotool") || !OnPath("xwininfo")) {
        GTEST_SKIP() << "needs Xvfb, xdotool and xwininfo";
    }
    const fs::path root =
        fs::temp_directory_path() /
        ("papyrion-window-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + std::to_string(getpid()));
    fs::create_directories(root / "data/Papyrion");
    std::ofstream(root / "data/Papyrion/Papyrion.ini")
        << "[Run]\nSetUpStatus=1\n[Loging]\nSpace=8\n[Opties]\nCountry=044\n";
    const fs::path script = root / "run.sh";
    // Xvfb picks a free display itself (-displayfd), so tests running at
    // the same time never share one.
    std::ofstream(script) << R"(set -u
cd ")" << root.string() << R"("
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>display 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
for i in $(seq 300); do [ -s display ] && break; sleep 0.1; done
export DISPLAY=:$(cat display)
XDG_DATA_HOME=$PWD/data XDG_RUNTIME_DIR=$PWD ")"
                          << (fs::path(PAPYRION_BIN_DIR) / "papyrion").string()
                          << R"(" >app.log 2>&1 &
app=$!
window=
for i in $(seq 600); do
  for w in $(xdotool search --name Papyrion 2>/dev/null); do
    if xwininfo -id "$w" | grep -q IsViewable; then window=$w; fi
  done
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] && xdotool getwindowname "$window" >title
kill -TERM $app
wait $app
echo $? >exit
)";
    ASSERT_EQ(std::system(("bash " + script.string()).c_str()), 0);
    EXPECT_THAT(Slurp(root / "title"), ::testing::HasSubstr("Papyrion (Drag-n-Drop)"));
    EXPECT_EQ(Slurp(root / "exit"), "0\n") << Slurp(root / "app.log");
    const std::string log = Slurp(root / "data/Papyrion/Papyrion_Log.csv");
    EXPECT_THAT(log, ::testing::HasSubstr("00002I;"));
    EXPECT_THAT(log, ::testing::HasSubstr("00009I;"));
    std::error_code ec;
    fs::remove_all(root, ec);
}

}  // namespace
