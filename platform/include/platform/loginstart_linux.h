#pragma once
// Starting with the log-in on a Linux desktop: an XDG autostart entry
// "Papyrion.desktop" in the user's configuration folder. The entry carries a
// marker key of ours, so that an entry of that name written by the user is
// never reported, replaced or removed as ours.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/loginstart.h"

namespace papyrion {

// The Exec value that starts `program` with no arguments, escaped for a
// Desktop Entry file; nullopt for a path that such a file cannot hold (one
// with control characters or bytes that are not UTF-8).
std::optional<std::string> DesktopExecValue(const std::filesystem::path& program);

// The whole autostart entry for `program`; nullopt as for DesktopExecValue.
std::optional<std::string> AutostartEntry(const std::filesystem::path& program);

struct LinuxLoginStartOptions {
    // The user's configuration folder; empty: $XDG_CONFIG_HOME when it is an
    // absolute path, else ~/.config.
    std::filesystem::path config_home;
};

class LinuxLoginStart : public LoginStart {
  public:
    explicit LinuxLoginStart(LinuxLoginStartOptions options = {});

    bool Enabled() override;
    bool Enable(const std::filesystem::path& program) override;
    bool Disable() override;

    // Where the entry lives.
    std::filesystem::path EntryPath() const;

  private:
    LinuxLoginStartOptions options_;
};

}  // namespace papyrion
