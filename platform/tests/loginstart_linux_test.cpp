#include "platform/loginstart_linux.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

#include "testsupport/files.h"
#include "testsupport/program.h"

namespace papyrion {
namespace {

using test::ReadFile;
using test::ScopedEnv;
using test::TempFolder;
using test::WriteFile;

TEST(DesktopExec, QuotesAndEscapesTheProgramPath) {
    const struct {
        const char* path;
        std::optional<std::string> exec;  // as written in the file
    } cases[] = {
        {"/usr/bin/papyrion", R"("/usr/bin/papyrion")"},
        {"/opt/Mijn programma's/papyrion", R"("/opt/Mijn programma's/papyrion")"},
        // Escaped for the launcher (\" \$ \` \\), then each backslash doubled
        // as in every string value.
        {"/opt/\"x\"/papyrion", R"("/opt/\\"x\\"/papyrion")"},
        {"/opt/$HOME/papyrion", R"("/opt/\\$HOME/papyrion")"},
        {"/opt/`id`/papyrion", R"("/opt/\\`id\\`/papyrion")"},
        {"/opt/a\\b/papyrion", R"("/opt/a\\\\b/papyrion")"},
        {"/opt/100%/papyrion", R"("/opt/100%%/papyrion")"},
        {"/opt/Zoë/papyrion", R"("/opt/Zoë/papyrion")"},
        // Nothing a Desktop Entry file can hold.
        {"/opt/a\nb/papyrion", std::nullopt},
        {"/opt/a\tb/papyrion", std::nullopt},
        {"/opt/\x01/papyrion", std::nullopt},
        {"/opt/\xff/papyrion", std::nullopt},
        {"/opt/\xc3/papyrion", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DesktopExecValue(c.path), c.exec) << c.path;
    }
}

TEST(LinuxLoginStart, EnableMakesTheMissingFoldersAndWritesTheEntryWhole) {
    TempFolder dir;
    LinuxLoginStart start({dir / "new/config"});
    EXPECT_FALSE(start.Enabled());
    ASSERT_TRUE(start.Enable("/opt/papyrion/papyrion"));

    const auto autostart = dir / "new/config/autostart";
    EXPECT_EQ(start.EntryPath(), autostart / "Papyrion.desktop");
    EXPECT_EQ(ReadFile(start.EntryPath()),
              "[Desktop Entry]\nType=Application\nName=Papyrion\n"
              "Exec=\"/opt/papyrion/papyrion\"\nX-GNOME-Autostart-enabled=true\n"
              "X-Papyrion-Autostart=true\n");
    struct stat info {};
    ASSERT_EQ(::stat(autostart.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(autostart),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_TRUE(start.Enabled());

    // Enabling again replaces our own entry; a relative path starts from here.
    ASSERT_TRUE(start.Enable("bin/papyrion"));
    EXPECT_NE(
        ReadFile(start.EntryPath())
            .find("Exec=\"" + (std::filesystem::current_path() / "bin/papyrion").string() + "\"\n"),
        std::string::npos);

    EXPECT_TRUE(start.Disable());
    EXPECT_FALSE(std::filesystem::exists(start.EntryPath()));
    EXPECT_FALSE(start.Enabled());
    EXPECT_TRUE(start.Disable());
}

TEST(LinuxLoginStart, LeavesAnEntryTheUserWroteAlone) {
    TempFolder dir;
    LinuxLoginStart start({dir.Path()});
    const std::string users =
        "[Desktop Entry]\nType=Application\nName=Papyrion\nExec=/home/jan/bin/papyrion --quiet\n";
    WriteFile(start.EntryPath(), users);

    EXPECT_FALSE(start.Enabled());
    EXPECT_FALSE(start.Enable("/opt/papyrion/papyrion"));
    EXPECT_TRUE(start.Disable());
    EXPECT_EQ(ReadFile(start.EntryPath()), users);
}

TEST(LinuxLoginStart, EnabledOnlyForOurEntryWhileTheDesktopHasItOn) {
    const std::string head = "[Desktop Entry]\nType=Application\nName=Papyrion\nExec=\"/p\"\n";
    const struct {
        std::string contents;
        bool enabled;
    } cases[] = {
        {head + "X-Papyrion-Autostart=true\n", true},
        {"# edited\r\n" + head + "X-Papyrion-Autostart = true\r\n", true},
        {head, false},
        {head + "X-Papyrion-Autostart=false\n", false},
        {head + "[Desktop Action x]\nX-Papyrion-Autostart=true\n", false},
        // Switched off through the desktop's start-up settings.
        {head + "X-Papyrion-Autostart=true\nHidden=true\n", false},
        {head + "X-Papyrion-Autostart=true\nX-GNOME-Autostart-enabled=false\n", false},
    };
    for (const auto& c : cases) {
        TempFolder dir;
        LinuxLoginStart start({dir.Path()});
        WriteFile(start.EntryPath(), c.contents);
        EXPECT_EQ(start.Enabled(), c.enabled) << c.contents;
    }
}

TEST(LinuxLoginStart, EnableFailsWhereNoEntryCanBeWritten) {
    TempFolder dir;
    // The configuration folder is a file.
    LinuxLoginStart blocked({dir.Write("config", "")});
    EXPECT_FALSE(blocked.Enable("/opt/papyrion/papyrion"));

    LinuxLoginStart start({dir / "fresh"});
    EXPECT_FALSE(start.Enable("/opt/a\nb/papyrion"));
    EXPECT_FALSE(std::filesystem::exists(dir / "fresh"));
}

TEST(LinuxLoginStart, FindsTheConfigurationFolderLikeTheDesktop) {
    const struct {
        std::optional<std::string> xdg_config_home;
        const char* entry;
    } cases[] = {
        {"/x/cfg", "/x/cfg/autostart/Papyrion.desktop"},
        {std::nullopt, "/h/.config/autostart/Papyrion.desktop"},
        {"", "/h/.config/autostart/Papyrion.desktop"},
        {"relative/cfg", "/h/.config/autostart/Papyrion.desktop"},  // not valid, ignored
    };
    for (const auto& c : cases) {
        ScopedEnv home("HOME", "/h");
        ScopedEnv config("XDG_CONFIG_HOME", c.xdg_config_home);
        EXPECT_EQ(LinuxLoginStart().EntryPath(), c.entry) << c.xdg_config_home.value_or("unset");
    }
}

TEST(LinuxLoginStart, DesktopFileValidateAcceptsTheEntry) {
    if (!test::OnPath("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate missing";
    TempFolder dir;
    LinuxLoginStart start({dir.Path()});
    ASSERT_TRUE(start.Enable("/opt/Mijn \"beste\" $HOME `tools` 100% a\\b/papyrion"));
    const auto result = test::RunProgram({"desktop-file-validate", start.EntryPath().string()});
    EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
    EXPECT_EQ(result.out.find("error"), std::string::npos) << result.out;
}

}  // namespace
}  // namespace papyrion
