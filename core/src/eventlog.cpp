#include "core/eventlog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/atomicfile.h"
#include "text_util.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;
using std::chrono::system_clock;

constexpr std::string_view kLineEnd = "\r\n";

std::tm LocalTime(system_clock::time_point when) {
    const std::time_t seconds = system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

// to_time_t truncates toward zero on some libraries; milliseconds are taken
// from the same floor so that the two parts always agree.
int Milliseconds(system_clock::time_point when) {
    const auto since_epoch = std::chrono::floor<std::chrono::milliseconds>(when.time_since_epoch());
    return static_cast<int>((since_epoch.count() % 1000 + 1000) % 1000);
}

std::string Format(const char* format, auto... values) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return buffer;
}

// The number of the first five characters of a code, nullopt when they are
// not all digits.
std::optional<int> CodeNumber(std::string_view code) {
    code = code.substr(0, 5);
    if (code.empty()) return std::nullopt;
    int number = 0;
    for (char c : code) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

void AppendToExisting(const fs::path& file, const std::string& line) {
    // No O_CREAT: a log the user deleted stays deleted until the next start.
    const int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return;
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t n = write(fd, line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    close(fd);
}

[[noreturn]] void Fail(const std::string& what, const fs::path& file) {
    throw std::runtime_error(what + " " + file.string());
}

}  // namespace

std::optional<std::uintmax_t> LogSizeLimit(int space_item) {
    if (space_item == 0) return 0;
    if (space_item >= 1 && space_item <= 7) return std::uintmax_t{4096} << (space_item - 1);
    return std::nullopt;
}

std::string LogDateTime(system_clock::time_point when) {
    const std::tm t = LocalTime(when);
    return Format("%02d-%02d-%04d %02d:%02d:%02d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900,
                  t.tm_hour, t.tm_min, t.tm_sec);
}

std::string LogTimeStamp(system_clock::time_point when) {
    return LogDateTime(when) + Format(".%03d", Milliseconds(when));
}

std::string ElapsedField(system_clock::duration span) {
    // A clock set back between two entries gives a negative span; show it
    // as no time rather than as garbage.
    auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(span).count();
    if (millis < 0) millis = 0;
    return Format("%d.%03d", static_cast<int>(millis / 1000 % 60), static_cast<int>(millis % 1000));
}

EventLog::EventLog(fs::path file, LogSwitches switches, Clock clock)
    : file_(std::move(file)), switches_(std::move(switches)), clock_(std::move(clock)) {}

void EventLog::WriteLogLine(std::string_view code, std::string_view text) {
    std::error_code ec;
    if (!fs::exists(file_, ec)) return;
    const auto now = clock_();
    if (!previous_) previous_ = now;
    std::string line(code);
    line += ';';
    line += LogTimeStamp(now);
    line += ';';
    line += ElapsedField(now - *previous_);
    line += ';';
    line += text;
    line += kLineEnd;
    AppendToExisting(file_, line);
    previous_ = now;
}

void EventLog::LogEvent(std::string_view code, std::string_view text) {
    const auto number = CodeNumber(code);
    if (!number) return;
    const bool log_range = *number >= 101 && *number <= 998;
    const bool trace_range = *number >= 1000;
    if ((log_range && switches_.log && switches_.log()) ||
        (trace_range && switches_.trace && switches_.trace())) {
        WriteLogLine(code, text);
    }
}

void EventLog::MarkNow() { previous_ = clock_(); }

void EventLog::Initialise(int space_item) {
    std::error_code ec;
    const auto limit = LogSizeLimit(space_item);
    if (limit && *limit == 0) {
        if (fs::exists(file_, ec) && !fs::remove(file_, ec)) Fail("Unable to delete", file_);
        return;
    }
    if (!fs::exists(file_, ec)) {
        std::ofstream out(file_, std::ios::binary);
        out << "00000I;" << LogDateTime(clock_()) << ";;Intital trace file created" << kLineEnd;
        out.close();
        if (!out) Fail("Unable to create", file_);
    }
    if (!limit) return;
    const auto size = fs::file_size(file_, ec);
    if (ec) Fail("Unable to read", file_);
    if (size > *limit) CutBack(size, *limit);
}

void EventLog::CutBack(std::uintmax_t size, std::uintmax_t limit) {
    std::ifstream in(file_, std::ios::binary);
    if (!in) Fail("Unable to read", file_);

    const auto strip = [](std::string& line) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
    };
    const std::uintmax_t drop = size - limit / 2;
    std::ostringstream out;
    std::string line;
    if (std::getline(in, line)) {
        strip(line);
        out << line << kLineEnd;
    }
    out << "00003I;" << LogDateTime(clock_()) << ";;Tracelog file truncated with :" << drop
        << kLineEnd;
    // Lengths are counted in bytes: the aim is a file of about half the limit.
    std::uintmax_t dropped = 0;
    while (dropped <= drop && std::getline(in, line)) {
        strip(line);
        dropped += line.size();
    }
    while (std::getline(in, line)) {
        strip(line);
        out << line << kLineEnd;
    }
    if (in.bad()) Fail("Unable to read", file_);
    in.close();
    // Replaced in one step, so a crash leaves either the old or the new log,
    // never none.
    if (ReplaceFileContent(file_, out.str())) Fail("Unable to write to", file_);
}

}  // namespace papyrion
