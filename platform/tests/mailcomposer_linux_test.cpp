#include "platform/mailcomposer_linux.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/childprocess.h"
#include "platform/mailcomposer_forms.h"
#include "support/mailcomposer_recorder.h"

namespace papyrion {
namespace {

using testing::ReadFile;
using testing::RecordedArguments;
using testing::ScratchFolder;
using testing::WriteFile;
using testing::WriteRecorder;

// A desktop of its own for each test: private XDG folders, no mail program
// configured until the test configures one.
class Desktop {
  public:
    Desktop() {
        env_ = {{"HOME", (dir_ / "home").string()},
                {"XDG_CONFIG_HOME", (dir_ / "config").string()},
                {"XDG_CONFIG_DIRS", (dir_ / "etc").string()},
                {"XDG_DATA_HOME", (dir_ / "data").string()},
                {"XDG_DATA_DIRS", (dir_ / "share").string()},
                {"XDG_RUNTIME_DIR", (dir_ / "run").string()},
                {"XDG_CURRENT_DESKTOP", "X-Generic"},
                {"DISPLAY", ":0"},
                {"WAYLAND_DISPLAY", ""},
                {"MAILER", ""},
                {"BROWSER", "false"},
                {"XDG_UTILS_DEBUG_LEVEL", ""},
                {"PAPYRION_MAIL_COMMAND", ""}};
        std::filesystem::create_directories(dir_ / "home");
        std::filesystem::create_directories(dir_ / "run");
    }
    void Set(const std::string& name, const std::string& value) {
        for (auto& [k, v] : env_) {
            if (k == name) {
                v = value;
                return;
            }
        }
        env_.emplace_back(name, value);
    }
    // Makes `id` the handler of mailto: links, started as `exec`.
    void ConfigureMailProgram(const std::string& id, const std::string& exec) {
        WriteFile(dir_ / "data" / "applications" / id,
                  "[Desktop Entry]\nType=Application\nName=Mail\nExec=" + exec +
                      "\nMimeType=x-scheme-handler/mailto;\n");
        WriteFile(dir_ / "config" / "mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/mailto=" + id + "\n");
    }
    LinuxMailComposer Composer() {
        return LinuxMailComposer({env_, dir_ / "spill", std::chrono::seconds(20)});
    }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
    const std::filesystem::path& Path() const { return dir_.Path(); }

  private:
    ScratchFolder dir_;
    std::vector<std::pair<std::string, std::string>> env_;
};

std::filesystem::path OutputFile(const Desktop& d, const std::string& name) {
    auto p = d / ("out/" + name);
    WriteFile(p, "%PDF-1.4 " + name);
    return p;
}

TEST(LinuxMailComposer, StandInCommandGetsXdgEmailArgumentsWithNamesIntact) {
    Desktop d;
    WriteRecorder(d / "rec", d / "args");
    d.Set("PAPYRION_MAIL_COMMAND", (d / "rec").string());
    auto odd = OutputFile(d, "Zoë's \"rapport\"  $(id).pdf");
    auto plain = OutputFile(d, "b.pdf");
    MailDraft draft{"Offerte; `rm -rf ~`",
                    "Beste Jan,\r\n$HOME \\c\r\n",
                    {{RecipientKind::kTo, "jan@x.nl"}, {RecipientKind::kCc, " piet@x.nl"}},
                    {{odd, ""}, {plain, "Factuur mei.pdf"}}};
    LinuxMailComposer composer = d.Composer();
    EXPECT_EQ(composer.DefaultProfile().name, (d / "rec").string());
    EXPECT_TRUE(composer.Logon((d / "rec").string()));
    ASSERT_EQ(composer.Compose(draft), ComposeOutcome::kHandedOver);

    auto args = RecordedArguments(d / "args");
    ASSERT_EQ(args.size(), 12u);
    const std::vector<std::string> head{"--utf8",
                                        "--cc",
                                        "piet@x.nl",
                                        "--subject",
                                        "Offerte; `rm -rf ~`",
                                        "--body",
                                        "Beste Jan,\n$HOME \\c\n",
                                        "--attach",
                                        odd.string(),
                                        "--attach"};
    EXPECT_EQ(std::vector<std::string>(args.begin(), args.begin() + 10), head);
    // The display name is shown because the file goes along under that name.
    std::filesystem::path shown = args[10];
    EXPECT_EQ(shown.filename(), "Factuur mei.pdf");
    EXPECT_EQ(shown.parent_path().parent_path(), d / "spill");
    EXPECT_EQ(ReadFile(shown), "%PDF-1.4 b.pdf");
    EXPECT_EQ(args[11], "jan@x.nl");
}

TEST(LinuxMailComposer, ClearsAwayItsOwnCopiesAfterADay) {
    Desktop d;
    WriteRecorder(d / "rec", d / "args");
    d.Set("PAPYRION_MAIL_COMMAND", (d / "rec").string());
    const auto two_days_ago =
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    for (const char* name : {"spill/mail-old", "spill/keep-me"}) {
        WriteFile(d / (std::string(name) + "/x.pdf"), "x");
        std::filesystem::last_write_time(d / name, two_days_ago);
    }
    WriteFile(d / "spill/mail-recent/x.pdf", "x");
    LinuxMailComposer composer = d.Composer();
    ASSERT_EQ(composer.Compose(MailDraft{"", "", {}, {{OutputFile(d, "a.pdf"), "Shown.pdf"}}}),
              ComposeOutcome::kHandedOver);
    EXPECT_FALSE(std::filesystem::exists(d / "spill/mail-old"));
    EXPECT_TRUE(std::filesystem::exists(d / "spill/keep-me"));
    EXPECT_TRUE(std::filesystem::exists(d / "spill/mail-recent"));
}

TEST(LinuxMailComposer, BodyTooLongForACommandLineTravelsWholeInAFile) {
    Desktop d;
    WriteRecorder(d / "rec", d / "args");
    d.Set("PAPYRION_MAIL_COMMAND", (d / "rec").string());
    std::string body;
    for (int i = 0; body.size() < 3 * kComposerTextLimit; ++i) {
        body += "Regel " + std::to_string(i) + " van de lange tekst\r\n";
    }
    auto pdf = OutputFile(d, "a.pdf");
    LinuxMailComposer composer = d.Composer();
    ASSERT_EQ(composer.Compose(MailDraft{"Lang", body, {}, {{pdf, ""}}}),
              ComposeOutcome::kHandedOver);

    auto args = RecordedArguments(d / "args");
    ASSERT_EQ(args.size(), 9u);
    EXPECT_EQ(args[3], "--body");
    const std::string& shortened = args[4];
    EXPECT_LT(shortened.size(), kComposerTextLimit);
    EXPECT_EQ(shortened.rfind("Regel 0 van de lange tekst\nRegel 1 ", 0), 0u);
    EXPECT_EQ(shortened.substr(shortened.size() - 7), "\n[...]\n");
    EXPECT_EQ(args[6], pdf.string());
    EXPECT_EQ(std::filesystem::path(args[8]).filename(), "Message.txt");
    EXPECT_EQ(ReadFile(args[8]), body);
}

TEST(LinuxMailComposer, TellsNoComposerFromABrokenOne) {
    struct Case {
        const char* what;
        std::function<void(Desktop&)> arrange;
        ComposeOutcome expected;
        bool profile_found;
    };
    const Case cases[] = {
        {"no xdg-email on the machine", [](Desktop& d) { d.Set("PATH", (d / "empty").string()); },
         ComposeOutcome::kNoComposer, false},
        {"xdg-email but no mail program configured", [](Desktop&) {}, ComposeOutcome::kNoComposer,
         false},
        {"command that does not exist",
         [](Desktop& d) { d.Set("PAPYRION_MAIL_COMMAND", (d / "missing").string()); },
         ComposeOutcome::kStartFailed, true},
        {"command that fails",
         [](Desktop& d) {
             WriteRecorder(d / "rec", d / "args", 4);
             d.Set("PAPYRION_MAIL_COMMAND", (d / "rec").string());
         },
         ComposeOutcome::kComposerFailed, true},
        {"command that finds no mail program",
         [](Desktop& d) {
             WriteRecorder(d / "rec", d / "args", 3);
             d.Set("PAPYRION_MAIL_COMMAND", (d / "rec").string());
         },
         ComposeOutcome::kNoComposer, true},
    };
    for (const auto& c : cases) {
        Desktop d;
        c.arrange(d);
        auto pdf = OutputFile(d, "a.pdf");
        LinuxMailComposer composer = d.Composer();
        EXPECT_EQ(composer.DefaultProfile().found, c.profile_found) << c.what;
        EXPECT_EQ(composer.Compose(MailDraft{"s", "b", {}, {{pdf, ""}}}), c.expected) << c.what;
    }
}

TEST(LinuxMailComposer, MissingAttachmentStartsNothing) {
    Desktop d;
    WriteRecorder(d / "rec", d / "args");
    d.Set("PAPYRION_MAIL_COMMAND", (d / "rec").string());
    auto pdf = OutputFile(d, "a.pdf");
    LinuxMailComposer composer = d.Composer();
    EXPECT_EQ(composer.Compose(MailDraft{"", "", {}, {{pdf, ""}, {d / "out/gone.pdf", ""}}}),
              ComposeOutcome::kAttachmentMissing);
    EXPECT_EQ(composer.Compose(MailDraft{"", "", {}, {{d / "out", ""}}}),
              ComposeOutcome::kAttachmentMissing);
    EXPECT_FALSE(std::filesystem::exists(d / "args"));
}

TEST(LinuxMailComposer, ThunderbirdAndEvolutionGetTheirOwnComposeForms) {
    MailDraft draft{"Offerte",
                    "Zie bijlage.",
                    {{RecipientKind::kTo, "jan@x.nl"}, {RecipientKind::kBcc, "b@x.nl"}},
                    {}};
    struct Case {
        const char* id;
        const char* program;
        std::function<std::vector<std::string>(const MailDraft&)> expected;
    };
    const Case cases[] = {
        {"thunderbird.desktop", "thunderbird",
         [](const MailDraft& m) {
             return std::vector<std::string>{"-compose", ThunderbirdComposeArgument(m)};
         }},
        {"org.gnome.Evolution.desktop", "evolution",
         [](const MailDraft& m) { return std::vector<std::string>{EvolutionMailtoUri(m)}; }},
    };
    for (const auto& c : cases) {
        Desktop d;
        auto program = d / (std::string("bin/") + c.program);
        std::filesystem::create_directories(program.parent_path());
        WriteRecorder(program, d / "args");
        d.ConfigureMailProgram(c.id, program.string() + " %u");
        MailDraft m = draft;
        m.attachments = {{OutputFile(d, "Zoë, 'x'.pdf"), ""}};
        LinuxMailComposer composer = d.Composer();
        MailProfile profile = composer.DefaultProfile();
        EXPECT_TRUE(profile.found) << c.id;
        EXPECT_EQ(profile.name, c.id);
        EXPECT_TRUE(composer.Logon(c.id));
        ASSERT_EQ(composer.Compose(m), ComposeOutcome::kHandedOver) << c.id;
        EXPECT_EQ(RecordedArguments(d / "args"), c.expected(m)) << c.id;

        // A configured mail program that is gone cannot be logged on to.
        std::filesystem::remove(program);
        EXPECT_FALSE(composer.Logon(c.id)) << c.id;
    }
}

// Splits a mailto: link into its address part and decoded fields.
std::multimap<std::string, std::string> MailtoFields(const std::string& uri) {
    std::multimap<std::string, std::string> fields;
    EXPECT_EQ(uri.rfind("mailto:", 0), 0u) << uri;
    std::string rest = uri.substr(7);
    std::size_t q = rest.find('?');
    fields.emplace("address", testing::PercentDecoded(rest.substr(0, q)));
    if (q == std::string::npos) return fields;
    std::string query = rest.substr(q + 1);
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        std::string pair = query.substr(start, end - start);
        std::size_t eq = pair.find('=');
        fields.emplace(pair.substr(0, eq), testing::PercentDecoded(pair.substr(eq + 1)));
        start = end + 1;
    }
    return fields;
}

TEST(LinuxMailComposer, RealXdgEmailQuotesSubjectBodyAndAttachmentsFaithfully) {
    if (!FindProgram("xdg-email", EffectivePath({}))) GTEST_SKIP() << "xdg-utils not installed";
    struct Case {
        const char* what;
        std::string subject;
        std::string body;
        std::vector<std::string> file_names;
    };
    const Case cases[] = {
        {"xdg-email's own quoting of every option",
         "Prijs €5 \"x\" 'y' $(id) `id` & a=b; 100% #1 ?",
         "Beste Jan,\r\n\r\nregel één\t$HOME ~ * [a]\r\nGroet",
         {"Zoë's \"offerte\" & co, 50%.pdf", "a  b.pdf"}},
        {"backslashes, which xdg-email's echo would read as escapes",
         "C:\\data\\new \\c",
         "regel \\n een\r\ntwee \\c drie",
         {"C:\\new\\brief.pdf", "b.pdf"}},
    };
    for (const auto& c : cases) {
        Desktop d;
        auto program = d / "bin/mailrecorder";
        std::filesystem::create_directories(program.parent_path());
        WriteRecorder(program, d / "args");
        d.ConfigureMailProgram("papyrion-recorder.desktop", program.string() + " %u");
        MailDraft draft{c.subject,
                        c.body,
                        {{RecipientKind::kTo, "jan@x.nl"},
                         {RecipientKind::kCc, " piet@x.nl"},
                         {RecipientKind::kBcc, "kees@x.nl"}},
                        {}};
        std::vector<std::string> paths;
        for (const auto& name : c.file_names) {
            paths.push_back(OutputFile(d, name).string());
            draft.attachments.push_back({paths.back(), ""});
        }
        LinuxMailComposer composer = d.Composer();
        ASSERT_EQ(composer.DefaultProfile().name, "papyrion-recorder.desktop");
        ASSERT_EQ(composer.Compose(draft), ComposeOutcome::kHandedOver) << c.what;

        auto args = RecordedArguments(d / "args");
        ASSERT_EQ(args.size(), 1u) << "the mail program gets one mailto: link";
        auto fields = MailtoFields(args[0]);
        // The main recipient is the link's address or its "to" field.
        std::string to = fields.find("address")->second;
        if (to.empty() && fields.count("to") == 1) to = fields.find("to")->second;
        EXPECT_EQ(to, "jan@x.nl") << c.what;
        EXPECT_EQ(fields.find("cc")->second, "piet@x.nl") << c.what;
        EXPECT_EQ(fields.find("bcc")->second, "kees@x.nl") << c.what;
        EXPECT_EQ(fields.find("subject")->second, c.subject) << c.what;
        EXPECT_EQ(fields.find("body")->second, c.body) << c.what;
        std::vector<std::string> attached;
        for (auto [it, end] = fields.equal_range("attach"); it != end; ++it) {
            attached.push_back(it->second);
        }
        EXPECT_EQ(attached, paths) << c.what;
    }
}

}  // namespace
}  // namespace papyrion
