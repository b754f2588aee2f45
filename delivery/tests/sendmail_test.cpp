#include "delivery/sendmail.h"

#include <gtest/gtest.h>

#include "platform/mailcomposer_linux.h"
#include "platform/mailcomposer_recording.h"
#include "support/mailcomposer_recorder.h"

namespace papyrion {
namespace {

using testing::RecordedArguments;
using testing::ScratchFolder;

TEST(SendMail, ErrorTexts) {
    const std::pair<unsigned, const char*> cases[] = {
        {1, "User cancelled request"},
        {2, "General MAPI failure"},
        {3, "Logon failure"},
        {4, "Disk full"},
        {5, "Insufficient memory"},
        {6, "Access denied"},
        {7, "Unknown Error Code: 7"},
        {8, "Too many sessions"},
        {9, "Too many files open"},
        {10, "Too many recipients"},
        {11, "Attachment not found"},
        {12, "Failed to open attachment"},
        {13, "Failed to write attachment"},
        {14, "Unknown recipient"},
        {15, "Invalid recipient type"},
        {16, "No messages"},
        {17, "Invalid message"},
        {18, "Text too large."},
        {19, "Invalid session"},
        {20, "Type not supported"},
        {21, "Ambiguous recipient"},
        {22, "Message in use"},
        {23, "Network failure"},
        {24, "Invalid edit fields"},
        {25, "Invalid recipients"},
        {26, "Not supported"},
        {0, "Unknown Error Code: 0"},
        {4294967295u, "Unknown Error Code: 4294967295"},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(TMAPIMail::MapiErrorText(code), text) << code;
    }
}

TEST(SendMail, ComposerOutcomesBecomeResultCodes) {
    const std::pair<ComposeOutcome, unsigned> cases[] = {
        {ComposeOutcome::kHandedOver, 0},         {ComposeOutcome::kNoComposer, 1},
        {ComposeOutcome::kStartFailed, 2},        {ComposeOutcome::kComposerFailed, 2},
        {ComposeOutcome::kAttachmentMissing, 11}, {ComposeOutcome::kAttachmentUnreadable, 12},
    };
    for (const auto& [outcome, code] : cases) {
        RecordingMailComposer composer;
        composer.outcome = outcome;
        TMAPIMail mail(composer);
        EXPECT_EQ(mail.Send(), code == 0);
        EXPECT_EQ(mail.LastError(), code);
    }
}

TEST(SendMail, RecipientClassesAndAttachmentNames) {
    RecordingMailComposer composer;
    TMAPIMail mail(composer);
    EXPECT_TRUE(mail.EditDialog);
    mail.Recipients = {"bcc:kees@x.nl",  "CC: piet@x.nl", "cC:an@x.nl",
                       "SMTP:info@x.nl", "jan@x.nl",      "BCCjan@x.nl"};
    mail.Attachments = {"/out/a.pdf", "/out/b.pdf"};
    mail.AttachmentNames = {"Factuur.pdf"};
    ASSERT_TRUE(mail.Send());
    ASSERT_EQ(composer.drafts.size(), 1u);
    const MailDraft& d = composer.drafts[0];
    const std::vector<std::pair<RecipientKind, std::string>> expected{
        {RecipientKind::kBcc, "kees@x.nl"}, {RecipientKind::kCc, " piet@x.nl"},
        {RecipientKind::kCc, "an@x.nl"},    {RecipientKind::kTo, "SMTP:info@x.nl"},
        {RecipientKind::kTo, "jan@x.nl"},   {RecipientKind::kTo, "BCCjan@x.nl"}};
    ASSERT_EQ(d.recipients.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(d.recipients[i].kind, expected[i].first) << i;
        EXPECT_EQ(d.recipients[i].address, expected[i].second) << i;
    }
    ASSERT_EQ(d.attachments.size(), 2u);
    EXPECT_EQ(d.attachments[0].display_name, "Factuur.pdf");
    EXPECT_EQ(d.attachments[1].display_name, "b.pdf");
}

TEST(SendMail, LogonFailureRaisesAndSendsNothing) {
    RecordingMailComposer composer;
    composer.profile = {true, "thunderbird.desktop"};
    composer.outcome = ComposeOutcome::kComposerFailed;
    TMAPIMail mail(composer);
    EXPECT_FALSE(mail.Send());
    EXPECT_EQ(mail.LastError(), 2u);
    EXPECT_EQ(composer.logons, std::vector<std::string>{"thunderbird.desktop"});

    composer.logon_succeeds = false;
    try {
        mail.Send();
        FAIL() << "no error raised";
    } catch (const MapiError& e) {
        EXPECT_STREQ(e.what(), "MAPI Error 3: Logon failure");
        EXPECT_EQ(e.Code(), 3u);
    }
    EXPECT_EQ(mail.LastError(), 2u) << "a failed log-on leaves the last result";
    EXPECT_EQ(composer.drafts.size(), 1u);

    // Without a default profile there is no log-on at all.
    RecordingMailComposer unconfigured;
    TMAPIMail other(unconfigured);
    other.Send();
    EXPECT_TRUE(unconfigured.logons.empty());
}

TEST(SendMail, TwoAttachmentsOneNameThroughTheStandIn) {
    ScratchFolder dir;
    testing::WriteRecorder(dir / "rec", dir / "args");
    testing::WriteFile(dir / "out/a.pdf", "A");
    testing::WriteFile(dir / "out/b.pdf", "B");
    LinuxMailComposer composer({.environment = {{"PAPYRION_MAIL_COMMAND", (dir / "rec").string()}},
                                .spill_folder = dir / "spill"});
    TMAPIMail mail(composer);
    EXPECT_EQ(mail.DefaultProfileName().name, (dir / "rec").string());
    mail.Attachments = {(dir / "out/a.pdf").string(), (dir / "out/b.pdf").string()};
    mail.AttachmentNames = {"Offerte mei.pdf"};
    mail.Recipients = {"bcc:kees@x.nl"};
    ASSERT_TRUE(mail.Send());
    auto args = RecordedArguments(dir / "args");
    ASSERT_EQ(args.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(args.begin(), args.begin() + 4),
              (std::vector<std::string>{"--utf8", "--bcc", "kees@x.nl", "--attach"}));
    EXPECT_EQ(std::filesystem::path(args[4]).filename(), "Offerte mei.pdf");
    EXPECT_EQ(testing::ReadFile(args[4]), "A");
    EXPECT_EQ(args[5], "--attach");
    EXPECT_EQ(args[6], (dir / "out/b.pdf").string());
}

}  // namespace
}  // namespace papyrion
