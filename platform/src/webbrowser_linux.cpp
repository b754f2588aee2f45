#include "platform/webbrowser_linux.h"

#include <algorithm>
#include <cctype>

#include "platform/childprocess.h"

namespace papyrion {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char lower, char c) {
               return std::tolower(static_cast<unsigned char>(c)) == lower;
           });
}

}  // namespace

bool IsWebUrl(std::string_view url) {
    std::string_view rest;
    for (std::string_view scheme : {"http://", "https://"}) {
        if (StartsWithNoCase(url, scheme)) rest = url.substr(scheme.size());
    }
    // The host is what comes before the path, query or fragment; "http:///x"
    // has none.
    if (rest.empty() || rest.find_first_of("/?#") == 0) return false;
    return std::none_of(url.begin(), url.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7f;
    });
}

LinuxWebBrowser::LinuxWebBrowser(LinuxWebBrowserOptions options) : options_(std::move(options)) {}

LinuxWebBrowser::~LinuxWebBrowser() { ReapFinishedChildren(running_); }

bool LinuxWebBrowser::Open(const std::string& url) {
    ReapFinishedChildren(running_);
    if (!IsWebUrl(url)) return false;

    ChildCommand command;
    command.program = "xdg-open";
    command.arguments = {url};
    command.environment = options_.environment;
    command.wait_limit = options_.wait_limit;
    command.on_timeout = ChildCommand::OnTimeout::kLeaveRunning;
    const ChildResult result = RunChild(command);
    switch (result.status) {
        case ChildResult::Status::kExited:
            // xdg-open's other codes: 1 bad arguments, 3 no tool for the
            // desktop, 4 the browser failed. None of them opened the page.
            return result.exit_code == 0;
        case ChildResult::Status::kStillRunning:
            running_.push_back(result.pid);
            return true;
        case ChildResult::Status::kNotFound:
        case ChildResult::Status::kStartFailed:
        case ChildResult::Status::kSignalled:
        case ChildResult::Status::kKilled:
            return false;
    }
    return false;
}

}  // namespace papyrion
