#pragma once
// Test double of the web browser: remembers every URL it is asked to open
// and answers as it is told.

#include <string>
#include <vector>

#include "platform/webbrowser.h"

namespace papyrion {

class RecordingWebBrowser : public WebBrowser {
  public:
    bool Open(const std::string& url) override {
        urls.push_back(url);
        return browser_found;
    }

    bool browser_found = true;
    std::vector<std::string> urls;
};

}  // namespace papyrion
