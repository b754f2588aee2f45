#include "delivery/sendmail.h"

#include <cctype>
#include <filesystem>
#include <string_view>

namespace papyrion {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

std::string MapiErrorText(unsigned code) {
    switch (code) {
        case 1:
            return "User cancelled request";
        case 2:
            return "General MAPI failure";
        case 3:
            return "Logon failure";
        case 4:
            return "Disk full";
        case 5:
            return "Insufficient memory";
        case 6:
            return "Access denied";
        case 8:
            return "Too many sessions";
        case 9:
            return "Too many files open";
        case 10:
            return "Too many recipients";
        case 11:
            return "Attachment not found";
        case 12:
            return "Failed to open attachment";
        case 13:
            return "Failed to write attachment";
        case 14:
            return "Unknown recipient";
        case 15:
            return "Invalid recipient type";
        case 16:
            return "No messages";
        case 17:
            return "Invalid message";
        case 18:
            return "Text too large.";
        case 19:
            return "Invalid session";
        case 20:
            return "Type not supported";
        case 21:
            return "Ambiguous recipient";
        case 22:
            return "Message in use";
        case 23:
            return "Network failure";
        case 24:
            return "Invalid edit fields";
        case 25:
            return "Invalid recipients";
        case 26:
            return "Not supported";
        default:
            return "Unknown Error Code: " + std::to_string(code);
    }
}

unsigned MapiCodeOf(ComposeOutcome outcome) {
    switch (outcome) {
        case ComposeOutcome::kHandedOver:
            return mapi::kSuccess;
        case ComposeOutcome::kNoComposer:
            return mapi::kUserAbort;
        case ComposeOutcome::kAttachmentMissing:
            return mapi::kAttachmentNotFound;
        case ComposeOutcome::kAttachmentUnreadable:
            return mapi::kAttachmentOpenFailure;
        case ComposeOutcome::kStartFailed:
        case ComposeOutcome::kComposerFailed:
            return mapi::kFailure;
    }
    return mapi::kFailure;
}

MapiError::MapiError(unsigned code)
    : std::runtime_error("MAPI Error " + std::to_string(code) + ": " + MapiErrorText(code)),
      code_(code) {}

TMAPIMail::TMAPIMail(MailComposer& composer) : composer_(composer) {}

DefaultProfile TMAPIMail::DefaultProfileName() {
    MailProfile profile = composer_.DefaultProfile();
    return DefaultProfile{profile.found, profile.name};
}

MailDraft TMAPIMail::Draft() const {
    MailDraft draft;
    draft.subject = Subject;
    draft.body = Body;
    for (std::size_t i = 0; i < Attachments.size(); ++i) {
        std::string name = i < AttachmentNames.size()
                               ? AttachmentNames[i]
                               : std::filesystem::path(Attachments[i]).filename().string();
        draft.attachments.push_back({Attachments[i], std::move(name)});
    }
    for (const auto& entry : Recipients) {
        // The rest of the entry is not trimmed again: "CC: x" hands over " x".
        if (StartsWithNoCase(entry, "CC:")) {
            draft.recipients.push_back({RecipientKind::kCc, entry.substr(3)});
        } else if (StartsWithNoCase(entry, "BCC:")) {
            draft.recipients.push_back({RecipientKind::kBcc, entry.substr(4)});
        } else {
            draft.recipients.push_back({RecipientKind::kTo, entry});
        }
    }
    return draft;
}

bool TMAPIMail::Send() {
    DefaultProfile profile = DefaultProfileName();
    if (profile.found && !composer_.Logon(profile.name)) throw MapiError(mapi::kLoginFailure);
    last_error_ = MapiCodeOf(composer_.Compose(Draft()));
    return last_error_ == mapi::kSuccess;
}

}  // namespace papyrion
