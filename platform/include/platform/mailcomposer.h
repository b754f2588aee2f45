#pragma once
// The desktop's mail composer: opens the compose window of the user's mail
// program, filled with a message, so that the user reviews and sends it there.
// The program never sends mail itself.

#include <filesystem>
#include <string>
#include <vector>

namespace papyrion {

enum class RecipientKind { kTo, kCc, kBcc };

struct MailRecipient {
    RecipientKind kind = RecipientKind::kTo;
    // An address ("jan@example.nl", "Jan <jan@example.nl>"), optionally with
    // the address type "SMTP:" in front, or a name the mail program knows.
    std::string address;
};

struct MailAttachment {
    std::filesystem::path path;
    // Name shown for the attachment; empty shows the file name of `path`.
    std::string display_name;
};

struct MailDraft {
    std::string subject;
    std::string body;  // lines end in CR LF or LF
    std::vector<MailRecipient> recipients;
    std::vector<MailAttachment> attachments;
};

// What became of a draft. "No composer" (nothing on this machine can open a
// compose window) is told apart from a composer that broke.
enum class ComposeOutcome {
    kHandedOver,            // the mail program has the message
    kNoComposer,            // no composer installed or no mail program configured
    kAttachmentMissing,     // an attachment is not an existing file; nothing started
    kAttachmentUnreadable,  // an attachment exists but cannot be read; nothing started
    kStartFailed,           // the composer could not be started
    kComposerFailed,        // the composer ran and reported a failure
};

struct MailProfile {
    bool found = false;
    std::string name;  // the configured mail program (desktop entry or command)
};

class MailComposer {
  public:
    virtual ~MailComposer() = default;
    // The default mail program the desktop is configured with.
    virtual MailProfile DefaultProfile() = 0;
    // Whether the mail program of `profile` can be reached at all (its entry
    // and its program are present).
    virtual bool Logon(const std::string& profile) = 0;
    virtual ComposeOutcome Compose(const MailDraft& draft) = 0;
};

}  // namespace papyrion
