#pragma once
// The command lines through which a draft reaches a mail program, as pure
// functions: the xdg-email argument list (also what a command named by
// PAPYRION_MAIL_COMMAND receives), Thunderbird's own "-compose" form and the
// mailto: link handed to Evolution.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mailcomposer.h"

namespace papyrion {

// The whole message travels to the mail program as one mailto: link (or one
// "-compose" text), and the kernel takes at most 128 KiB for one argument
// (MAX_ARG_STRLEN); a draft whose link would be longer than this has its body
// handed over in a file.
inline constexpr std::size_t kComposerTextLimit = 100000;

// Surrounding blanks removed and the address type "SMTP:" dropped: Simple MAPI
// mail systems read that prefix themselves, mail programs on this platform
// would take it for part of the address.
std::string ComposerAddress(std::string_view address);

// Line breaks cannot occur in a subject line; they become blanks.
std::string ComposerSubject(std::string_view subject);

// RFC 3986 percent-encoding of the UTF-8 bytes; unreserved characters and the
// characters in `keep` stay as they are.
std::string PercentEncode(std::string_view text, std::string_view keep = "");

// "--utf8" first (every text is UTF-8, whatever the locale), then "--cc" and
// "--bcc" pairs, "--subject", "--body" (line ends as LF: xdg-email turns each
// into CR LF itself) and "--attach" pairs, and last the main recipients: plain
// when xdg-email reads them as addresses, else after "--to" (a name without
// "@", or a text that would pass for an option or a mailto: link). Empty
// texts are left out: xdg-email refuses an option with an empty value.
std::vector<std::string> XdgEmailArguments(const MailDraft& draft);

// The same for the real xdg-email, which passes every text through the
// "echo" of /bin/sh three times; where that echo reads backslash sequences
// (dash), "\c" ends the text and "\n" breaks the line. Fields holding a
// backslash therefore travel in a mailto: link of our own encoding (which
// xdg-email passes on as it is), placed before the main recipients, since a
// later link would replace what they add.
std::vector<std::string> XdgEmailArgumentsWithoutBackslashes(const MailDraft& draft);

// The text after Thunderbird's "-compose": every value percent-encoded (which
// Thunderbird decodes), the attachments as a quoted list of file: URLs.
std::string ThunderbirdComposeArgument(const MailDraft& draft);

// mailto: link with cc, bcc, subject, body and one "attach" per file (its
// absolute path), the form Evolution's composer takes.
std::string EvolutionMailtoUri(const MailDraft& draft);

// Bytes of the longest form above for this draft (an upper bound).
std::size_t ComposerTextSize(const MailDraft& draft);

// The leading whole lines of `body` whose encoded size stays within `budget`.
std::string LeadingLinesWithin(std::string_view body, std::size_t budget);

enum class MailProgram { kThunderbird, kEvolution, kOther };

// Judged by the desktop entry's name and its command words (a Flatpak entry
// names the application in its arguments).
MailProgram ClassifyMailProgram(std::string_view desktop_id, const std::vector<std::string>& exec);

// The words of a desktop entry's Exec value, unquoted, with field codes
// (%u, %U, %f ...) removed.
std::vector<std::string> DesktopExecWords(std::string_view exec_value);

// Exit codes of xdg-email (and of a command standing in for it).
ComposeOutcome OutcomeOfXdgEmailExit(int exit_code);

}  // namespace papyrion
