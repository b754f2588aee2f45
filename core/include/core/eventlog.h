#pragma once
// The event log: one semicolon-separated line per entry in the log file,
//   code;dd-mm-yyyy hh:mm:ss.zzz;seconds.mmm;text
// where the third field is the time since the previous entry (its seconds
// part only). The writer never creates the file: it exists exactly while
// logging is switched on, which Initialise decides once per start.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace papyrion {

using Clock = std::function<std::chrono::system_clock::time_point()>;

// The live state of the two log check boxes: the box captioned "Log" lets
// codes 101 to 998 through, the box captioned "Trace" codes 1000 and above.
struct LogSwitches {
    std::function<bool()> log;
    std::function<bool()> trace;
};

// Size limit in bytes for a `Loging`/`Space` item: 0 for item 0 (logging
// off), nullopt for items without a limit (8, "Nooit schoonmaken").
std::optional<std::uintmax_t> LogSizeLimit(int space_item);

// "dd-mm-yyyy hh:mm:ss.zzz" in local time.
std::string LogTimeStamp(std::chrono::system_clock::time_point when);
// "dd-mm-yyyy hh:mm:ss" in local time: the form of the initialisation lines.
std::string LogDateTime(std::chrono::system_clock::time_point when);
// The elapsed field: the seconds part of the span (0-59), ".", milliseconds.
std::string ElapsedField(std::chrono::system_clock::duration span);

class EventLog {
  public:
    explicit EventLog(std::filesystem::path file, LogSwitches switches = {},
                      Clock clock = std::chrono::system_clock::now);

    const std::filesystem::path& File() const { return file_; }

    // Appends one entry when the file exists; otherwise does nothing. A failed
    // append loses the entry silently. Never throws.
    void WriteLogLine(std::string_view code, std::string_view text);

    // WriteLogLine for codes whose number (first five characters) falls in a
    // range whose box is ticked. Codes that are not numbers are never written.
    void LogEvent(std::string_view code, std::string_view text);

    // Makes the next entry's elapsed field count from now (start of an input
    // file in a processing run).
    void MarkNow();

    // Once per start, for the `Loging`/`Space` item as loaded: deletes the file
    // for item 0, creates it for other items, and cuts it back to about half
    // the item's limit when it is larger. Throws std::runtime_error naming the
    // file when creating or cutting back fails.
    void Initialise(int space_item);

    void SetSwitches(LogSwitches switches) { switches_ = std::move(switches); }

  private:
    void CutBack(std::uintmax_t size, std::uintmax_t limit);

    std::filesystem::path file_;
    LogSwitches switches_;
    Clock clock_;
    std::optional<std::chrono::system_clock::time_point> previous_;
};

}  // namespace papyrion
