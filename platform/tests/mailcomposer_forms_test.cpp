#include "platform/mailcomposer_forms.h"

#include <gtest/gtest.h>

namespace papyrion {
namespace {

using Args = std::vector<std::string>;

MailRecipient To(std::string a) { return {RecipientKind::kTo, std::move(a)}; }
MailRecipient Cc(std::string a) { return {RecipientKind::kCc, std::move(a)}; }
MailRecipient Bcc(std::string a) { return {RecipientKind::kBcc, std::move(a)}; }

TEST(MailComposerForms, XdgEmailArguments) {
    struct Case {
        const char* what;
        MailDraft draft;
        Args expected;
    };
    const Case cases[] = {
        {"attachment only: no empty options, which xdg-email refuses",
         {"", "", {}, {{"/out/a.pdf", ""}}},
         {"--utf8", "--attach", "/out/a.pdf"}},
        {"copy recipients keep no blanks; main recipients come last",
         {"Factuur", "", {To("jan@x.nl"), Cc(" piet@x.nl"), Bcc("kees@x.nl"), To("an@x.nl")}, {}},
         {"--utf8", "--cc", "piet@x.nl", "--bcc", "kees@x.nl", "--subject", "Factuur", "jan@x.nl",
          "an@x.nl"}},
        {"the address type SMTP: is the mail system's, not part of the address",
         {"", "", {To("SMTP:info@papyrion.nl"), Cc("smtp: hulp@papyrion.nl")}, {}},
         {"--utf8", "--cc", "hulp@papyrion.nl", "info@papyrion.nl"}},
        {"texts xdg-email would misread as option, link or syntax error go after --to",
         {"", "", {To("Jan Jansen"), To("-x@y.nl"), To("mailto:a@b.nl?attach=/etc/passwd")}, {}},
         {"--utf8", "--to", "Jan Jansen", "--to", "-x@y.nl", "--to",
          "mailto:a@b.nl?attach=/etc/passwd"}},
        {"empty recipients are dropped", {"", "", {Cc(""), To("  "), Bcc(" ")}, {}}, {"--utf8"}},
        {"body line ends become LF, line breaks in a subject blanks",
         {"een\r\ntwee", "regel 1\r\nregel 2\r\n\r\n", {}, {}},
         {"--utf8", "--subject", "een  twee", "--body", "regel 1\nregel 2\n\n"}},
        {"attachments in order, paths as they are",
         {"", "", {}, {{"/a b/it's.pdf", ""}, {"/Zoë/€.pdf", ""}}},
         {"--utf8", "--attach", "/a b/it's.pdf", "--attach", "/Zoë/€.pdf"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(XdgEmailArguments(c.draft), c.expected) << c.what;
    }
}

TEST(MailComposerForms, BackslashesReachRealXdgEmailOnlyInsideOurOwnLink) {
    struct Case {
        const char* what;
        MailDraft draft;
        Args expected;
    };
    const Case cases[] = {
        {"nothing to move: the plain options",
         {"s", "b", {To("jan@x.nl")}, {{"/a.pdf", ""}}},
         {"--utf8", "--subject", "s", "--body", "b", "--attach", "/a.pdf", "jan@x.nl"}},
        {"subject, body and all attachments go in the link, before the recipients",
         {"C:\\new",
          "regel \\c\r\n",
          {To("jan@x.nl"), Cc("c@x.nl")},
          {{"/a.pdf", ""}, {"/x\\y.pdf", ""}}},
         {"--utf8", "--cc", "c@x.nl",
          "mailto:?subject=C%3A%5Cnew&body=regel%20%5Cc%0D%0A&attach=/a.pdf&attach=/x%5Cy.pdf",
          "jan@x.nl"}},
        {"a main recipient with a backslash goes in the link's query",
         {"", "", {To("a\\b@x.nl")}, {}},
         {"--utf8", "mailto:?to=a%5Cb%40x.nl"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(XdgEmailArgumentsWithoutBackslashes(c.draft), c.expected) << c.what;
    }
}

TEST(MailComposerForms, ThunderbirdComposeKeepsCommasAndQuotesInsideTheirValues) {
    MailDraft d{"Offerte, 'concept'",
                "Beste Jan,\r\n\r\nZie bijlage.\r\n",
                {To("jan@x.nl"), To("SMTP:an@x.nl"), Cc("CC-er <c@x.nl>"), Bcc("b@x.nl")},
                {{"/data/Offerte, Zoë's.pdf", ""}, {"/data/b.pdf", ""}}};
    EXPECT_EQ(ThunderbirdComposeArgument(d),
              "to=jan%40x.nl%2Can%40x.nl,cc=CC-er%20%3Cc%40x.nl%3E,bcc=b%40x.nl,"
              "subject=Offerte%2C%20%27concept%27,"
              "body=Beste%20Jan%2C%0D%0A%0D%0AZie%20bijlage.%0D%0A,"
              "attachment='file:///data/Offerte%2C%20Zo%C3%AB%27s.pdf,file:///data/b.pdf'");
    EXPECT_EQ(ThunderbirdComposeArgument(MailDraft{"", "", {}, {{"/a.pdf", ""}}}),
              "attachment='file:///a.pdf'");
}

TEST(MailComposerForms, EvolutionMailtoCarriesEveryFieldAndAttachment) {
    MailDraft d{"Q&A?",
                "a\nb",
                {To("jan@x.nl"), To("an@x.nl"), Cc("c@x.nl"), Bcc("b@x.nl")},
                {{"/data/x & y.pdf", ""}, {"/data/z.pdf", ""}}};
    EXPECT_EQ(EvolutionMailtoUri(d),
              "mailto:jan%40x.nl,an%40x.nl?cc=c%40x.nl&bcc=b%40x.nl&subject=Q%26A%3F&"
              "body=a%0D%0Ab&attach=/data/x%20%26%20y.pdf&attach=/data/z.pdf");
    EXPECT_EQ(EvolutionMailtoUri(MailDraft{}), "mailto:");
}

TEST(MailComposerForms, RecognisesMailProgramsByEntryAndCommand) {
    struct Case {
        const char* id;
        std::vector<std::string> exec;
        MailProgram expected;
    };
    const Case cases[] = {
        {"thunderbird.desktop", {"/usr/bin/thunderbird"}, MailProgram::kThunderbird},
        {"mail.desktop", {"/usr/lib/icedove/icedove"}, MailProgram::kThunderbird},
        {"org.mozilla.Thunderbird.desktop",
         {"/usr/bin/flatpak", "run", "org.mozilla.Thunderbird"},
         MailProgram::kThunderbird},
        {"org.gnome.Evolution.desktop", {"evolution"}, MailProgram::kEvolution},
        {"claws-mail.desktop", {"claws-mail"}, MailProgram::kOther},
        {"recorder.desktop", {"/home/evolution-fan/bin/rec"}, MailProgram::kOther},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyMailProgram(c.id, c.exec), c.expected) << c.id;
    }
}

TEST(MailComposerForms, DesktopExecWords) {
    struct Case {
        const char* exec;
        Args expected;
    };
    const Case cases[] = {
        {"thunderbird %u", {"thunderbird"}},
        {"/usr/bin/flatpak run --branch=stable org.mozilla.Thunderbird @@u %U @@",
         {"/usr/bin/flatpak", "run", "--branch=stable", "org.mozilla.Thunderbird", "@@u", "@@"}},
        {R"("/opt/My Mail/mail" --compose "a \"b\"" 100%%)",
         {"/opt/My Mail/mail", "--compose", "a \"b\"", "100%"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DesktopExecWords(c.exec), c.expected) << c.exec;
    }
}

TEST(MailComposerForms, XdgEmailExitCodes) {
    const std::pair<int, ComposeOutcome> cases[] = {
        {0, ComposeOutcome::kHandedOver},        {1, ComposeOutcome::kComposerFailed},
        {2, ComposeOutcome::kAttachmentMissing}, {3, ComposeOutcome::kNoComposer},
        {4, ComposeOutcome::kComposerFailed},    {5, ComposeOutcome::kAttachmentUnreadable},
        {127, ComposeOutcome::kComposerFailed},
    };
    for (const auto& [code, outcome] : cases) {
        EXPECT_EQ(OutcomeOfXdgEmailExit(code), outcome) << code;
    }
}

TEST(MailComposerForms, LeadingLinesStopAtALineEndWithinTheBudget) {
    EXPECT_EQ(LeadingLinesWithin("aaaa\nbbbb\ncccc\n", 10), "aaaa\n");  // 4 + 6 per line
    EXPECT_EQ(LeadingLinesWithin("aaaa\nbbbb\n", 100), "aaaa\nbbbb\n");
    EXPECT_EQ(LeadingLinesWithin("one long line", 5), "");
}

}  // namespace
}  // namespace papyrion
