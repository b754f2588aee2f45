#pragma once
// Starting the program with the user's log-in.

#include <filesystem>

namespace papyrion {

class LoginStart {
  public:
    virtual ~LoginStart() = default;
    // Whether the program starts with the log-in through an entry of ours.
    virtual bool Enabled() = 0;
    // Makes `program` start with the log-in. False when that could not be
    // arranged; callers that have nothing to tell the user may ignore it.
    virtual bool Enable(const std::filesystem::path& program) = 0;
    // Stops the program starting with the log-in. False only when an entry
    // of ours is still in place afterwards.
    virtual bool Disable() = 0;
};

}  // namespace papyrion
