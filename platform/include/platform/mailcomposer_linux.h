#pragma once
// The mail composer of a Linux desktop. The route to the compose window:
//  - the command named by PAPYRION_MAIL_COMMAND, with xdg-email's arguments;
//  - Thunderbird (also Icedove, also as Flatpak) through its own "-compose"
//    form, and Evolution through a mailto: link given straight to it: on
//    several desktops xdg-email hands Thunderbird a bare mailto: link whose
//    attachment it ignores, and xdg-email's own text handling garbles
//    backslashes and file names with commas or quotes;
//  - xdg-email for every other mail program.
// The default mail program is the desktop's handler of mailto: links.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/mailcomposer.h"

namespace papyrion {

struct LinuxMailComposerOptions {
    // Variables that replace those of this process, for the lookups and for
    // the started programs (tests give a private XDG configuration here).
    std::vector<std::pair<std::string, std::string>> environment;
    // Where copies under attachment display names and over-long bodies are
    // written; they must outlive the call, since mail programs read
    // attachments later. Empty: the system's temporary folder.
    std::filesystem::path spill_folder;
    // How long a started composer is waited for before it is left running
    // (a mail program started in the foreground runs until the user quits).
    std::chrono::milliseconds wait_limit{std::chrono::seconds(20)};
};

class LinuxMailComposer : public MailComposer {
  public:
    explicit LinuxMailComposer(LinuxMailComposerOptions options = {});
    ~LinuxMailComposer() override;
    LinuxMailComposer(const LinuxMailComposer&) = delete;
    LinuxMailComposer& operator=(const LinuxMailComposer&) = delete;

    MailProfile DefaultProfile() override;
    bool Logon(const std::string& profile) override;
    ComposeOutcome Compose(const MailDraft& draft) override;

  private:
    struct Route;
    Route FindRoute();
    std::optional<std::string> Variable(std::string_view name) const;
    std::optional<std::filesystem::path> FindDesktopEntry(const std::string& id) const;
    MailDraft Staged(const MailDraft& draft);

    LinuxMailComposerOptions options_;
    std::vector<pid_t> running_;
};

}  // namespace papyrion
