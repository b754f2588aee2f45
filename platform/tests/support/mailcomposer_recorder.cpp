#include "support/mailcomposer_recorder.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace papyrion::testing {

void WriteRecorder(const std::filesystem::path& script, const std::filesystem::path& record,
                   int exit_code) {
    // The record path is written into the script in single quotes; test
    // folders never hold a quote.
    WriteFile(script, "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" + record.string() + "'\nexit " +
                          std::to_string(exit_code) + "\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
}

std::vector<std::string> RecordedArguments(const std::filesystem::path& record) {
    std::vector<std::string> args;
    if (!std::filesystem::exists(record)) return args;
    std::string all = ReadFile(record);
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace papyrion::testing
