#pragma once
// Test double of starting with the log-in: remembers what it was asked and
// keeps the state a real entry would have, unless told to fail.

#include <filesystem>
#include <vector>

#include "platform/loginstart.h"

namespace papyrion {

class RecordingLoginStart : public LoginStart {
  public:
    bool Enabled() override { return enabled; }
    bool Enable(const std::filesystem::path& program) override {
        enabled_programs.push_back(program);
        if (succeeds) enabled = true;
        return succeeds;
    }
    bool Disable() override {
        ++disables;
        if (succeeds) enabled = false;
        return succeeds;
    }

    bool enabled = false;
    bool succeeds = true;
    std::vector<std::filesystem::path> enabled_programs;
    int disables = 0;
};

}  // namespace papyrion
