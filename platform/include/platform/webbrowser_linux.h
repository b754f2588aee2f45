#pragma once
// The web browser of a Linux desktop, reached through xdg-open, which hands
// the page to whatever browser the desktop has for http links.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/webbrowser.h"

namespace papyrion {

// Whether `url` is one we hand to a browser: an http:// or https:// URL with
// a host, free of spaces and control characters. Anything else (file:,
// javascript:, a bare word) could make xdg-open start some other program.
bool IsWebUrl(std::string_view url);

struct LinuxWebBrowserOptions {
    // Variables that replace those of this process for xdg-open (tests put a
    // stand-in first on PATH here).
    std::vector<std::pair<std::string, std::string>> environment;
    // xdg-open usually returns once the browser has the page, but with some
    // desktops it runs the browser in the foreground: past this limit it is
    // left running and the page counts as opened.
    std::chrono::milliseconds wait_limit{std::chrono::seconds(10)};
};

class LinuxWebBrowser : public WebBrowser {
  public:
    explicit LinuxWebBrowser(LinuxWebBrowserOptions options = {});
    ~LinuxWebBrowser() override;
    LinuxWebBrowser(const LinuxWebBrowser&) = delete;
    LinuxWebBrowser& operator=(const LinuxWebBrowser&) = delete;

    bool Open(const std::string& url) override;

  private:
    LinuxWebBrowserOptions options_;
    std::vector<pid_t> running_;
};

}  // namespace papyrion
