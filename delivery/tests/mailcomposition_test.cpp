#include "delivery/mailcomposition.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>

#include "core/userinterface.h"
#include "delivery/sendmail.h"
#include "platform/mailcomposer_linux.h"
#include "platform/mailcomposer_recording.h"
#include "support/mailcomposer_recorder.h"

namespace papyrion {
namespace {

using testing::ReadFile;
using testing::RecordedArguments;
using testing::ScratchFolder;
using testing::WriteFile;

const LocalDateTime kToday{2026, 12, 10, 9, 5, 7};

// Everything a composition needs, in a folder of its own; the mail program
// is the recording stand-in named by PAPYRION_MAIL_COMMAND, or a recording
// composer for tests about what TMAPIMail is handed.
class MailBench {
  public:
    explicit MailBench(LocalDateTime today = kToday)
        : settings_(
              dir_ / "data/Papyrion.ini", [](std::string_view k) { return std::string(k); },
              [this](std::string_view name) {
                  return name == "DIR" ? (dir_ / "data").string() + "/" : std::string();
              }),
          log_(dir_ / "data/Papyrion_Log.csv",
               LogSwitches{[] { return true; }, [] { return true; }}),
          today_(today) {
        WriteFile(dir_ / "data/Papyrion_Log.csv", "");
        testing::WriteRecorder(dir_ / "rec", dir_ / "args");
        composer_ = std::make_unique<LinuxMailComposer>(LinuxMailComposerOptions{
            .environment = {{"PAPYRION_MAIL_COMMAND", (dir_ / "rec").string()}},
            .spill_folder = dir_ / "spill"});
    }

    MailComposition Composition(MailComposer* composer = nullptr,
                                MailPlaceholders placeholders = {}) {
        return MailComposition(
            MailCompositionServices{
                settings_, log_, collection_, ui_, composer ? *composer : *composer_,
                [this](std::string_view k) {
                    auto it = translations.find(std::string(k));
                    return it == translations.end() ? std::string("*") : it->second;
                },
                dir_ / "data", [this] { return today_; }},
            std::move(placeholders));
    }
    // The user template of the default country, lines joined with CR LF.
    void WriteTemplate(const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& l : lines) text += l + "\r\n";
        WriteFile(dir_ / "data/Email_user031.txt", text);
    }
    std::string Output(const std::string& name) {
        WriteFile(dir_ / ("out/" + name), "%PDF " + name);
        return (dir_ / ("out/" + name)).string();
    }
    std::vector<std::string> Arguments() { return RecordedArguments(dir_ / "args"); }
    std::vector<std::string> LogTexts(std::string_view code) {
        std::vector<std::string> texts;
        std::istringstream in(ReadFile(dir_ / "data/Papyrion_Log.csv"));
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind(std::string(code) + ";", 0) != 0) continue;
            // code;timestamp;elapsed;text
            std::size_t third = line.find(';', line.find(';', line.find(';') + 1) + 1);
            texts.push_back(line.substr(third + 1));
        }
        return texts;
    }

    SettingsModel& Settings() { return settings_; }
    SortedPathList& Collection() { return collection_; }
    RecordingUserInterface& Ui() { return ui_; }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
    void Set(std::string_view name, std::string value) {
        composer_ = std::make_unique<LinuxMailComposer>(
            LinuxMailComposerOptions{.environment = {{std::string(name), std::move(value)}},
                                     .spill_folder = dir_ / "spill"});
    }

    std::map<std::string, std::string> translations;

  private:
    ScratchFolder dir_;
    SettingsModel settings_;
    EventLog log_;
    SortedPathList collection_;
    RecordingUserInterface ui_;
    std::unique_ptr<LinuxMailComposer> composer_;
    LocalDateTime today_;
};

const std::vector<std::string> kEdgeTemplate{"// een commentaarregel",
                                             "to:  jan@x.nl",
                                             "CC: piet@x.nl",
                                             "bcc: kees@x.nl",
                                             "SUBJECT: eerste onderwerp",
                                             "SUBJECT:" + std::string("0123456789") +
                                                 "0123456789012345678901234567890123456789" +
                                                 "012345678901234567890123456789" + "ABCDEFGHIJ",
                                             " // geen commentaar",
                                             "Datum: :DATUM:",
                                             ":DATUM+7:",
                                             ":datum+7:",
                                             "Volgende maand: :MAAND+1:",
                                             "Vorige: :MAAND-1:",
                                             "Vorig: :maand-1:",
                                             "Terug: :MAAND-2:",
                                             "Tijd :TIJD: bij :bijlage:",
                                             ":BR:",
                                             "Einde"};

TEST(MailComposition, TemplateEdgeCasesReachTheMailProgram) {
    MailBench bench;
    bench.WriteTemplate(kEdgeTemplate);
    std::string pdf = bench.Output("a.pdf");
    EXPECT_TRUE(bench.Composition().MailOutputFile(pdf));

    const std::string subject =
        "0123456789012345678901234567890123456789012345678901234567890123456789"
        "0123456789";
    const std::string body =
        " // geen commentaar\n"
        "Datum: 10-12-2026 \n"
        " 17-12-2026 \n"
        ":datum+7:\n"
        "Volgende maand: Januari\n"
        "Vorige: November\n"
        "Vorig: November 2026\n"
        "Terug: Oktober\n"
        "Tijd 09:05:07 bij a.pdf\n"
        "\n\n"
        "Einde\n";
    EXPECT_EQ(
        bench.Arguments(),
        (std::vector<std::string>{"--utf8", "--cc", "piet@x.nl", "--bcc", "kees@x.nl", "--subject",
                                  subject, "--body", body, "--attach", pdf, "jan@x.nl"}));
    EXPECT_EQ(bench.Ui().calls, std::vector<std::string>{"tick"});
    EXPECT_TRUE(bench.LogTexts("00881e").empty());
}

TEST(MailComposition, CopyRecipientsKeepTheirPrefixUntilTheMailComponent) {
    MailBench bench;
    bench.WriteTemplate(kEdgeTemplate);
    RecordingMailComposer recorder;
    bench.Composition(&recorder).MailOutputFile(bench.Output("a.pdf"));
    ASSERT_EQ(recorder.drafts.size(), 1u);
    const auto& r = recorder.drafts[0].recipients;
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].kind, RecipientKind::kTo);
    EXPECT_EQ(r[0].address, "jan@x.nl");
    EXPECT_EQ(r[1].kind, RecipientKind::kCc);
    EXPECT_EQ(r[1].address, " piet@x.nl");
    EXPECT_EQ(r[2].kind, RecipientKind::kBcc);
    EXPECT_EQ(r[2].address, " kees@x.nl");
    EXPECT_EQ(recorder.drafts[0].body.substr(0, 21), " // geen commentaar\r\n");
}

TEST(MailComposition, SubjectGetsOnlyTheOffsetExpansions) {
    std::string e85, e80;
    for (int i = 0; i < 85; ++i) e85 += "é";
    for (int i = 0; i < 80; ++i) e80 += "é";
    const std::pair<std::string, std::string> cases[] = {
        {"SUBJECT:" + e85, e80},  // 80 letters, not 80 bytes
        {"SUBJECT: :DATUM:", "10-12-2026"},
        {"subject:   Rapport :MAAND-1: :TIJD: :BIJLAGE:", "Rapport November :TIJD: :BIJLAGE:"},
        {"SUBJECT: Over een week :DATUM+7:", "Over een week 17-12-2026"},
        {"SUBJECT:", ""},
    };
    for (const auto& [line, subject] : cases) {
        MailBench bench;
        bench.WriteTemplate({line});
        RecordingMailComposer recorder;
        bench.Composition(&recorder).MailOutputFile(bench.Output("a.pdf"));
        ASSERT_EQ(recorder.drafts.size(), 1u);
        EXPECT_EQ(recorder.drafts[0].subject, subject) << line;
        EXPECT_EQ(recorder.drafts[0].body, "") << line;
    }
}

TEST(MailComposition, OffsetPlaceholders) {
    struct Case {
        LocalDateTime today;
        const char* line;
        const char* expected;
    };
    const std::string long_tail(300, 'x');
    const Case date_cases[] = {
        {kToday, ":DATUM:", " 10-12-2026 "},
        {kToday, "Betaal voor :DATUM+30: graag", "Betaal voor  09-01-2027  graag"},
        {{2026, 1, 1}, ":DATUM-1:", " 31-12-2025 "},
        {{2028, 2, 28}, ":DATUM+1:", " 29-02-2028 "},
        {kToday, ":DATUM+ 3x:", " 13-12-2026 "},      // leading blank skipped, stops at x
        {kToday, ":DATUM*3:", " 07-12-2026 "},        // any other sign counts back
        {kToday, ":DATUM+abc:", " 10-12-2026 "},      // nothing readable is 0
        {kToday, "a:DATUMb", "a 10-12-2026 DATUMb"},  // no closing colon
    };
    for (const auto& c : date_cases) {
        MailBench bench(c.today);
        EXPECT_EQ(bench.Composition().ExpandDateOffset(c.line), c.expected) << c.line;
    }
    const Case month_cases[] = {
        {kToday, ":MAAND+1:", "Januari"},
        {{2026, 1, 5}, ":MAAND-2:", "November"},
        {{2026, 1, 5}, "in :MAAND-1: dus", "in December dus"},
        {kToday, ":MAAND+13:", "Januari"},
        {kToday, ":MAAND-12", "November"},  // runs to the end: loses its last digit
        {kToday, ":MAAND+1:, :MAAND+2:", "Januari, :MAAND+2:"},  // first one only
        {kToday, ":MAAND:", "December"},
    };
    for (const auto& c : month_cases) {
        MailBench bench(c.today);
        EXPECT_EQ(bench.Composition().ExpandMonthOffset(c.line), c.expected) << c.line;
    }
    // Text after a placeholder is kept however long it is.
    MailBench bench;
    EXPECT_EQ(bench.Composition().ExpandDateOffset(":DATUM+1:" + long_tail),
              " 11-12-2026 " + long_tail);
    EXPECT_EQ(bench.Composition().ExpandMonthOffset(":MAAND+1:" + long_tail),
              "Januari" + long_tail);
}

TEST(MailComposition, PreviousMonthInJanuaryIsDecemberOfLastYear) {
    MailBench bench({2027, 1, 15, 12, 0, 0});
    bench.WriteTemplate({"Over :maand-1:"});
    RecordingMailComposer recorder;
    bench.Composition(&recorder).MailOutputFile(bench.Output("a.pdf"));
    ASSERT_EQ(recorder.drafts.size(), 1u);
    EXPECT_EQ(recorder.drafts[0].body, "Over December 2026\r\n");
}

TEST(MailComposition, EveryRecipientLineIsKeptBeyondTwentyFive) {
    MailBench bench;
    std::vector<std::string> lines;
    for (int i = 1; i <= 30; ++i) lines.push_back("TO: r" + std::to_string(i) + "@x.nl");
    bench.WriteTemplate(lines);
    RecordingMailComposer recorder;
    bench.Composition(&recorder).MailOutputFile(bench.Output("a.pdf"));
    ASSERT_EQ(recorder.drafts.at(0).recipients.size(), 30u);
    EXPECT_EQ(recorder.drafts[0].recipients[29].address, "r30@x.nl");
}

TEST(MailComposition, MailInOneAttachesTheCollectionInSortedOrder) {
    MailBench bench;
    bench.WriteTemplate({"Bijlage: :BIJLAGE:"});
    std::string c = bench.Output("c.pdf");
    std::string a = bench.Output("a.pdf");
    std::string b = bench.Output("B.pdf");
    for (const auto& p : {c, a, b}) bench.Collection().Add(p);
    bench.Composition().MailOutputFile("MailinOne");
    EXPECT_EQ(bench.Arguments(),
              (std::vector<std::string>{"--utf8", "--body", "Bijlage: MailinOne\n", "--attach", a,
                                        "--attach", b, "--attach", c}));
}

TEST(MailComposition, TemplateOffOrMissingGivesTheAttachmentOnly) {
    for (bool template_on : {false, true}) {
        MailBench bench;
        if (template_on) {
            bench.Settings().SetValue(setting::kUseMailTemplate,
                                      "0");  // "Ja", but no template file
        } else {
            bench.WriteTemplate(kEdgeTemplate);
            bench.Settings().SetValue(setting::kUseMailTemplate, "1");  // "Nee"
        }
        std::string pdf = bench.Output("a.pdf");
        bench.Composition().MailOutputFile(pdf);
        EXPECT_EQ(bench.Arguments(), (std::vector<std::string>{"--utf8", "--attach", pdf}));
        EXPECT_TRUE(bench.LogTexts("00881e").empty());
    }
}

TEST(MailComposition, FailuresOfTheMailSystemAreLogged) {
    struct Case {
        const char* what;
        std::function<void(MailBench&)> arrange;
        bool attachment_exists;
        std::string expected_text;
    };
    const Case cases[] = {
        {"no composer on the machine", [](MailBench& b) { b.Set("PATH", (b / "empty").string()); },
         true, "Emaile aborted User cancelled request;1;;"},
        {"composer that cannot start",
         [](MailBench& b) { b.Set("PAPYRION_MAIL_COMMAND", (b / "missing").string()); }, true,
         "Emaile aborted General MAPI failure;2;;"},
        {"attachment that does not exist", [](MailBench&) {}, false,
         "Emaile aborted Attachment not found;11;;"},
    };
    for (const auto& c : cases) {
        MailBench bench;
        bench.WriteTemplate({"SUBJECT: x", "tekst"});
        c.arrange(bench);
        std::string pdf =
            c.attachment_exists ? bench.Output("a b.pdf") : (bench / "out/gone.pdf").string();
        bool handed_over = true;
        EXPECT_NO_THROW(handed_over = bench.Composition().MailOutputFile(pdf)) << c.what;
        EXPECT_FALSE(handed_over) << c.what;
        EXPECT_EQ(bench.LogTexts("00881e"), std::vector<std::string>{c.expected_text + pdf + ";"})
            << c.what;
        EXPECT_TRUE(bench.Arguments().empty()) << c.what;
    }
}

TEST(MailComposition, LogonErrorReachesTheCaller) {
    MailBench bench;
    RecordingMailComposer recorder;
    recorder.profile = {true, "thunderbird.desktop"};
    recorder.logon_succeeds = false;
    EXPECT_THROW(
        {
            try {
                bench.Composition(&recorder).MailOutputFile(bench.Output("a.pdf"));
            } catch (const MapiError& e) {
                EXPECT_STREQ(e.what(), "MAPI Error 3: Logon failure");
                throw;
            }
        },
        MapiError);
    EXPECT_TRUE(recorder.drafts.empty());
    EXPECT_TRUE(bench.LogTexts("00881e").empty());
}

TEST(MailComposition, UnreadableTemplateIsAnErrorNamingItAndSendsNothing) {
    // A folder in the template's place: present, but no read succeeds.
    MailBench bench;
    std::filesystem::create_directories(bench / "data/Email_user031.txt");
    RecordingMailComposer recorder;
    try {
        bench.Composition(&recorder).MailOutputFile(bench.Output("a.pdf"));
        FAIL() << "no error raised";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Email_user031.txt"), std::string::npos);
    }
    EXPECT_TRUE(recorder.drafts.empty());
}

TEST(MailComposition, PlaceholderWordsAndMonthsComeFromTranslations) {
    std::map<std::string, std::string> english{
        {"datum", "date"},
        {"maand", "month"},
        {"tijd", "time"},
        {"bijlage", "attachment"},
        {"maanden", "Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec,ember"}};
    auto translate = [&](std::string_view k) {
        auto it = english.find(std::string(k));
        return it == english.end() ? std::string("*") : it->second;
    };
    MailPlaceholders p = MailPlaceholders::FromTranslations(translate);
    EXPECT_EQ(p.date_word, "DATE");
    EXPECT_EQ(p.attachment_word, "ATTACHMENT");
    EXPECT_EQ(p.months[1], "Jan");
    EXPECT_EQ(p.months[12], "Dec,ember");  // all after the eleventh comma
    EXPECT_EQ(p.months[0], "Dec,ember");

    MailBench bench;
    bench.WriteTemplate({"On :DATE: for :month-1:, :attachment:"});
    RecordingMailComposer recorder;
    bench.Composition(&recorder, p).MailOutputFile(bench.Output("a.pdf"));
    EXPECT_EQ(recorder.drafts.at(0).body, "On 10-12-2026 for Nov 2026, a.pdf\r\n");

    // Missing translations keep the built-in words and names.
    MailPlaceholders fallback =
        MailPlaceholders::FromTranslations([](std::string_view) { return std::string("*"); });
    EXPECT_EQ(fallback.date_word, "DATUM");
    EXPECT_EQ(fallback.months[3], "Maart");
}

TEST(MailComposition, ContactMailAttachesOnlyWhatExists) {
    MailBench bench;
    bench.translations = {{"InfMail00", "Vraag"},
                          {"InfMail01", "Beste support,:BR:tweede regel"},
                          {"InfMail02", ""},
                          {"infohuisstijl", "support@papyrion.example"}};
    WriteFile(bench / "data/Papyrion.ini", "[Opties]\r\n");
    bench.Composition().SendContactMail();
    std::string body = "Beste support,\ntweede regel\n\n";
    for (int i = 3; i <= 20; ++i) body += " \n";  // missing translations
    EXPECT_EQ(bench.Arguments(),
              (std::vector<std::string>{"--utf8", "--subject", "Vraag", "--body", body, "--attach",
                                        (bench / "data/Papyrion_Log.csv").string(), "--attach",
                                        (bench / "data/Papyrion.ini").string(),
                                        "support@papyrion.example"}));
}

}  // namespace
}  // namespace papyrion
