#pragma once
// Composing e-mail messages: an output file (or a collected batch of them)
// becomes a new message built from the user's mail template, which the mail
// program opens for review.
//
// Template: DIR + "Email_user" + country + ".txt", read line by line. Lines
// beginning (any case) with "TO:", "CC:" or "BCC:" give one recipient each,
// "SUBJECT:" the subject (80 characters at most), "//" a comment; every
// other line is body text. Placeholders (the words are translations, upper
// case): ":DATUM:" today, ":DATUM+14:" / ":DATUM-1:" a date that many days
// on or back, ":MAAND+1:" a month name, ":maand-1:" the previous month with
// its year, ":TIJD:" the time, ":BIJLAGE:" the attachment's name, ":BR:" a
// line break.

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "core/eventlog.h"
#include "core/settings.h"
#include "core/sortedpathlist.h"
#include "core/userinterface.h"
#include "platform/mailcomposer.h"

namespace papyrion {

// The argument of MailOutputFile that mails the whole collection at once.
inline constexpr std::string_view kMailInOne = "MailinOne";

struct LocalDateTime {
    int year = 2000;
    int month = 1;  // 1 to 12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};
using LocalClock = std::function<LocalDateTime()>;

// The system clock in local time.
LocalDateTime LocalNow();

// "dd-mm-yyyy".
std::string FormatDate(int year, int month, int day);
// "hh:mm:ss".
std::string FormatTime(const LocalDateTime& when);

// The four placeholder words and the month names, set once when the
// interface texts are applied.
struct MailPlaceholders {
    std::string date_word = "DATUM";
    std::string month_word = "MAAND";
    std::string time_word = "TIJD";
    std::string attachment_word = "BIJLAGE";
    // Entries 1 to 12 are January to December, entry 0 a copy of December
    // so that the month before January reads right.
    std::array<std::string, 13> months{"December", "Januari",  "Februari", "Maart",    "April",
                                       "Mei",      "Juni",     "Juli",     "Augustus", "September",
                                       "Oktober",  "November", "December"};

    // Words from `datum`, `maand`, `tijd`, `bijlage` (upper case), month
    // names from `maanden` (split at commas). A missing translation keeps
    // the word or names above, so placeholders never turn into ":*:".
    static MailPlaceholders FromTranslations(const TranslateFn& translate);
};

struct MailCompositionServices {
    const SettingsModel& settings;  // `Email`/`EmailModel`, `Opties`/`Country`
    EventLog& log;
    const SortedPathList& mail_collection;
    UserInterface& ui;
    MailComposer& composer;
    TranslateFn translate;              // for the contact message
    std::filesystem::path data_folder;  // DIR
    LocalClock clock = LocalNow;
};

class MailComposition {
  public:
    MailComposition(MailCompositionServices services, MailPlaceholders placeholders);

    // Builds the message for one output file, or for kMailInOne the whole
    // mail collection, and hands it to the mail program. A failure of the
    // mail system is logged ("00881e"); a log-on error (MapiError) and an
    // unreadable template (std::runtime_error naming it) reach the caller.
    // Returns whether the mail program has the message, so that a caller can
    // keep an output that did not get into a message.
    bool MailOutputFile(const std::string& argument);

    // The line with its first date-offset placeholder replaced by a date;
    // only for lines that hold ":" + date word (exact case).
    std::string ExpandDateOffset(std::string_view line) const;
    // The line with its first month-offset placeholder replaced by a month
    // name; only for lines that hold ":" + month word (exact case).
    std::string ExpandMonthOffset(std::string_view line) const;

    // The contact message to the support address, with the log, the
    // settings and the template attached where they exist. The result is
    // not examined.
    void SendContactMail();

    std::filesystem::path TemplatePath() const;
    const MailPlaceholders& Placeholders() const { return placeholders_; }

  private:
    MailCompositionServices services_;
    MailPlaceholders placeholders_;
};

}  // namespace papyrion
