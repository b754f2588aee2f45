#pragma once
// TMAPIMail: the mail component through which every e-mail leaves the
// program. It hands one message with recipients and attachments to the
// user's mail program, whose compose window opens with it, and keeps the
// mail system's result code. On this platform the mail system is the
// desktop's mail composer; what it reports is mapped to the Simple MAPI
// result codes, which callers and the event log keep using.

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/mailcomposer.h"

namespace papyrion {

// Simple MAPI result codes this component produces.
namespace mapi {
inline constexpr unsigned kSuccess = 0;
inline constexpr unsigned kUserAbort = 1;
inline constexpr unsigned kFailure = 2;
inline constexpr unsigned kLoginFailure = 3;
inline constexpr unsigned kAttachmentNotFound = 11;
inline constexpr unsigned kAttachmentOpenFailure = 12;
}  // namespace mapi

// The text of a result code ("Unknown Error Code: 7" for codes without one).
std::string MapiErrorText(unsigned code);

// What a composer outcome means as a result code. A machine without composer
// answers like one without Simple MAPI: 1.
unsigned MapiCodeOf(ComposeOutcome outcome);

// Raised by Send when the log-on to the default profile fails:
// "MAPI Error 3: Logon failure".
class MapiError : public std::runtime_error {
  public:
    explicit MapiError(unsigned code);
    unsigned Code() const { return code_; }

  private:
    unsigned code_;
};

struct DefaultProfile {
    bool found = false;
    std::string name;
};

class TMAPIMail {
  public:
    // `composer` must outlive the component.
    explicit TMAPIMail(MailComposer& composer);

    // Published properties. Entries of Recipients that begin with "CC:" or
    // "BCC:" (any case) are copy and blind-copy recipients; the prefix goes.
    std::string Subject;
    std::string Body;  // lines separated by CR LF
    std::vector<std::string> Recipients;
    std::vector<std::string> Attachments;      // full paths, in order
    std::vector<std::string> AttachmentNames;  // shown names by position
    // The desktop's composers always open the compose window, and none can
    // send silently: EditDialog false still shows the message. The mail
    // program resolves names, asks for receipts and sets the sender itself,
    // so the last four properties are kept but have no effect.
    bool EditDialog = true;
    bool ResolveNames = false;
    bool RequestReceipt = false;
    std::string SenderName;
    std::string SenderAddress;

    // Hands the message over; true when the result code is 0. Throws
    // MapiError when a default profile is configured but cannot be logged on
    // to; LastError then keeps its value.
    bool Send();
    unsigned LastError() const { return last_error_; }

    DefaultProfile DefaultProfileName();

    static std::string MapiErrorText(unsigned code) { return papyrion::MapiErrorText(code); }

    // The message as the mail system gets it (what Send hands over).
    MailDraft Draft() const;

  private:
    MailComposer& composer_;
    unsigned last_error_ = 0;
};

}  // namespace papyrion
