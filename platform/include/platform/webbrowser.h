#pragma once
// The desktop's web browser: shows a web page in the browser the user chose.

#include <string>

namespace papyrion {

class WebBrowser {
  public:
    virtual ~WebBrowser() = default;
    // Opens `url` (http:// or https:// only) in the default browser. True
    // when a browser was found and took the page; false when there is none,
    // it failed, or the URL is not a web address (then nothing is started).
    virtual bool Open(const std::string& url) = 0;
};

}  // namespace papyrion
