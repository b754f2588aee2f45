#include "core/eventlog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "testsupport/files.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using std::chrono::system_clock;
using test::ReadText;
using test::ScopedEnv;
using test::TempFolder;
using test::WriteFile;

// Time stamps are local time; the tests pin the zone to UTC.
class EventLogTest : public ::testing::Test {
  protected:
    EventLogTest() : tz_("TZ", "UTC") { tzset(); }
    ~EventLogTest() override { tzset(); }

    // 09-12-2013 14:05:33.123 UTC
    static system_clock::time_point Start() {
        return system_clock::from_time_t(1386597933) + 123ms;
    }

    EventLog MakeLog(bool log_box, bool trace_box) {
        return EventLog(
            log_file_,
            LogSwitches{[log_box] { return log_box; }, [trace_box] { return trace_box; }},
            [this] { return now_; });
    }

    ScopedEnv tz_;
    TempFolder folder_;
    fs::path log_file_ = folder_ / "Papyrion_Log.csv";
    system_clock::time_point now_ = Start();
};

TEST_F(EventLogTest, EntryCarriesCodeTimeStampElapsedSecondsAndText) {
    WriteFile(log_file_, "");
    EventLog log = MakeLog(true, true);
    log.WriteLogLine("00002I", "Program start;0;0;/opt/papyrion/;DC2013-09-06_14:23:00");
    now_ += 2min + 5300ms;
    log.LogEvent("00600i", "Start verwerking bestand;;;/home/ann/a.pdf");
    EXPECT_EQ(
        ReadText(log_file_),
        "00002I;09-12-2013 14:05:33.123;0.000;Program start;0;0;/opt/papyrion/;"
        "DC2013-09-06_14:23:00\r\n"
        "00600i;09-12-2013 14:07:38.423;5.300;Start verwerking bestand;;;/home/ann/a.pdf\r\n");
}

TEST_F(EventLogTest, ElapsedFieldShowsOnlyTheSecondsPart) {
    struct Case {
        system_clock::duration span;
        const char* field;
    } cases[] = {
        {0ms, "0.000"}, {15ms, "0.015"},    {12500ms, "12.500"}, {59999ms, "59.999"},
        {60s, "0.000"}, {1h + 1s, "1.000"}, {-3s, "0.000"},  // a clock set back
    };
    for (const auto& c : cases) EXPECT_EQ(ElapsedField(c.span), c.field);
}

TEST_F(EventLogTest, MarkNowRestartsTheElapsedTime) {
    WriteFile(log_file_, "");
    EventLog log = MakeLog(true, false);
    log.WriteLogLine("00002I", "start");
    now_ += 7s;
    log.MarkNow();
    now_ += 250ms;
    log.LogEvent("00602i", "end");
    EXPECT_THAT(ReadText(log_file_), ::testing::HasSubstr(";0.250;end\r\n"));
}

TEST_F(EventLogTest, LogAndTraceBoxesPassTheirOwnRanges) {
    struct Case {
        const char* code;
        bool with_log_box;    // written when only "Log" is ticked
        bool with_trace_box;  // written when only "Trace" is ticked
    } cases[] = {
        {"00002I", false, false}, {"00100I", false, false}, {"00101I", true, false},
        {"00600i", true, false},  {"00998I", true, false},  {"00999I", false, false},
        {"01000I", false, true},  {"07600E", false, true},  {"99999e", false, true},
        {"0060xi", false, false}, {"", false, false},
    };
    for (const auto& c : cases) {
        for (const bool log_box : {true, false}) {
            WriteFile(log_file_, "");
            EventLog log = MakeLog(log_box, !log_box);
            log.LogEvent(c.code, "x");
            const bool expected = log_box ? c.with_log_box : c.with_trace_box;
            EXPECT_EQ(!ReadText(log_file_).empty(), expected)
                << c.code << (log_box ? " with Log" : " with Trace");
        }
    }
}

TEST_F(EventLogTest, NothingIsWrittenWhileTheFileIsMissing) {
    EventLog log = MakeLog(true, true);
    log.WriteLogLine("00002I", "start");
    log.LogEvent("00600i", "x");
    EXPECT_FALSE(fs::exists(log_file_));

    // Deleted by the user during the run: entries are dropped, the file stays gone.
    WriteFile(log_file_, "");
    log.WriteLogLine("00002I", "start");
    fs::remove(log_file_);
    log.LogEvent("00600i", "x");
    EXPECT_FALSE(fs::exists(log_file_));
}

TEST_F(EventLogTest, InitialiseCreatesOrDeletesTheFileByTheSpaceItem) {
    EventLog log = MakeLog(true, true);
    log.Initialise(1);
    EXPECT_EQ(ReadText(log_file_), "00000I;09-12-2013 14:05:33;;Intital trace file created\r\n");
    log.Initialise(0);
    EXPECT_FALSE(fs::exists(log_file_));
    log.WriteLogLine("00002I", "start");  // logging off: no entry of any kind
    EXPECT_FALSE(fs::exists(log_file_));
}

TEST_F(EventLogTest, InitialiseCutsALogOverItsLimitBackToHalf) {
    // 40 000 bytes: a first line and 399 entries, each 98 characters plus CRLF.
    auto entry = [](int number) {
        std::string line = "00600i;entry " + std::to_string(number) + ";";
        return line + std::string(98 - line.size(), 'x') + "\r\n";
    };
    std::string first = "00000I;01-01-2013 08:00:00;;Intital trace file created";
    first += std::string(98 - first.size(), ' ') + "\r\n";
    std::string content = first;
    for (int i = 1; i <= 399; ++i) content += entry(i);
    ASSERT_EQ(content.size(), 40000u);
    WriteFile(log_file_, content);

    MakeLog(true, true).Initialise(3);  // "16kb"

    // 40000 - 16384 / 2 = 31808; 325 entries of 98 characters are the first
    // to add up to more than that.
    std::string expected =
        first + "00003I;09-12-2013 14:05:33;;Tracelog file truncated with :31808\r\n";
    for (int i = 326; i <= 399; ++i) expected += entry(i);
    EXPECT_EQ(ReadText(log_file_), expected);
    EXPECT_FALSE(fs::exists(folder_ / "Papyrion_Log.csvO"));
}

TEST_F(EventLogTest, InitialiseLeavesALogWithinItsLimitOrWithoutLimitAlone) {
    const std::string big(10 * 1000 * 1000, 'x');
    WriteFile(log_file_, big);
    MakeLog(true, true).Initialise(8);  // "Nooit schoonmaken"
    EXPECT_EQ(fs::file_size(log_file_), big.size());

    WriteFile(log_file_, std::string(4096, 'y'));
    MakeLog(true, true).Initialise(1);  // exactly at the 4 KiB limit
    EXPECT_EQ(fs::file_size(log_file_), 4096u);
}

TEST(LogSizeLimit, ItemsGiveKibibyteLimits) {
    EXPECT_EQ(LogSizeLimit(0), 0u);
    EXPECT_EQ(LogSizeLimit(1), 4096u);
    EXPECT_EQ(LogSizeLimit(3), 16384u);
    EXPECT_EQ(LogSizeLimit(7), 262144u);
    EXPECT_EQ(LogSizeLimit(8), std::nullopt);
}

}  // namespace
}  // namespace papyrion
