#include "platform/webbrowser_linux.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/mailcomposer_recorder.h"

namespace papyrion {
namespace {

using testing::RecordedArguments;
using testing::ScratchFolder;
using testing::WriteFile;
using testing::WriteRecorder;

TEST(WebUrl, AcceptsOnlyWebAddressesWithAHost) {
    const struct {
        const char* url;
        bool accepted;
    } cases[] = {
        {"http://www.example.nl/", true},
        {"https://example.nl/zoek?q=1#top", true},
        {"HTTPS://Example.NL", true},  // schemes are case-insensitive
        {"http://example.nl:8080", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"mailto:jan@example.nl", false},
        {"ftp://example.nl/", false},
        {"", false},
        {"http", false},
        {"http://", false},
        {"http:///etc/passwd", false},  // no host
        {"http:example.nl", false},
        {" http://example.nl/", false},
        {"http://exa mple.nl/", false},
        {"http://example.nl/\n--help", false},
        {"http://example.nl/\x7f", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsWebUrl(c.url), c.accepted) << '"' << c.url << '"';
    }
}

// A private PATH holding only a stand-in xdg-open.
class StandIn {
  public:
    explicit StandIn(int exit_code = 0) {
        WriteRecorder(dir_ / "bin/xdg-open", Record(), exit_code);
    }
    LinuxWebBrowser Browser(std::chrono::milliseconds wait_limit = std::chrono::seconds(20)) {
        return LinuxWebBrowser({{{"PATH", (dir_ / "bin").string()}}, wait_limit});
    }
    std::filesystem::path Record() const { return dir_ / "args"; }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }

  private:
    ScratchFolder dir_;
};

TEST(LinuxWebBrowser, HandsTheUrlToXdgOpenAsOneArgument) {
    StandIn xdg;
    const std::string url = "https://example.nl/zoek?q=a&b=$(id);`id`'x'|y";
    EXPECT_TRUE(xdg.Browser().Open(url));
    EXPECT_EQ(RecordedArguments(xdg.Record()), std::vector<std::string>{url});
}

TEST(LinuxWebBrowser, StartsNothingForAnAddressThatIsNotAWebPage) {
    StandIn xdg;
    LinuxWebBrowser browser = xdg.Browser();
    for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "", "--help"}) {
        EXPECT_FALSE(browser.Open(url)) << url;
    }
    EXPECT_FALSE(std::filesystem::exists(xdg.Record()));
}

TEST(LinuxWebBrowser, FindsABrowserOnlyWhenXdgOpenRanAndSucceeded) {
    const struct {
        int exit_code;
        bool found;
    } cases[] = {{0, true}, {3, false}, {4, false}};
    for (const auto& c : cases) {
        StandIn xdg(c.exit_code);
        EXPECT_EQ(xdg.Browser().Open("http://example.nl/"), c.found) << "exit " << c.exit_code;
    }

    ScratchFolder empty;
    LinuxWebBrowser nowhere({{{"PATH", empty.Path().string()}}});
    EXPECT_FALSE(nowhere.Open("http://example.nl/"));
}

TEST(LinuxWebBrowser, XdgOpenStillRunningPastTheWaitLimitHasThePage) {
    // Some desktops have xdg-open run the browser in the foreground.
    StandIn xdg;
    WriteFile(xdg / "bin/xdg-open", "#!/bin/sh\nexec /bin/sleep 2 >/dev/null 2>&1\n");
    std::filesystem::permissions(xdg / "bin/xdg-open", std::filesystem::perms::owner_all);
    EXPECT_TRUE(xdg.Browser(std::chrono::milliseconds(100)).Open("http://example.nl/"));
}

}  // namespace
}  // namespace papyrion
