#include "delivery/mailsetup.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "support/mailcomposer_recorder.h"

namespace papyrion {
namespace {

using testing::RecordedArguments;
using testing::ScratchFolder;

// Sets a variable of this process for one test and puts the old value back.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(MailSetup, ShippedModelAndTranslationsComposeTheDesignedMessage) {
    ScratchFolder dir;
    testing::WriteRecorder(dir / "rec", dir / "args");
    ScopedVariable command("PAPYRION_MAIL_COMMAND", (dir / "rec").string());
    const std::string data = (dir / "Papyrion").string() + "/";
    RunHooks hooks;
    hooks.translate = [](std::string_view k) { return std::string(k); };
    hooks.environment = [&](std::string_view name) -> std::string {
        if (name == "DIR") return data;
        if (name == "Tempdir" || name == "TEMPDIR") return data + "Temp/";
        if (name == "LAND") return "031";
        return "";
    };
    RunState run(std::string(PAPYRION_BIN_DIR) + "/", hooks);
    RecordingUserInterface ui;
    TranslationTable table(PAPYRION_BIN_DIR, "031", ui, [](const std::string&) {});
    std::filesystem::create_directories(data);
    std::filesystem::copy_file(std::filesystem::path(PAPYRION_BIN_DIR) / "Email_Model.txt",
                               data + "Email_user031.txt");
    testing::WriteFile(dir / "out/a b.pdf", "%PDF");

    auto composer = MakeDesktopMailComposer(run);
    MailCompositionServices services = MailServicesOf(run, table, ui, *composer);
    services.clock = [] { return LocalDateTime{2026, 12, 10, 9, 5, 7}; };
    MailComposition composition(services, MailPlaceholders::FromTranslations(services.translate));
    composition.MailOutputFile((dir / "out/a b.pdf").string());

    EXPECT_EQ(RecordedArguments(dir / "args"),
              (std::vector<std::string>{
                  "--utf8", "--subject", "Document van 10-12-2026", "--body",
                  "Geachte heer, mevrouw,\n\nHierbij ontvangt u het document a b.pdf.\n"
                  "Graag ontvangen wij uw reactie uiterlijk op 24-12-2026 \n\n"
                  "Met vriendelijke groet,\n\n\n",
                  "--attach", (dir / "out/a b.pdf").string()}));
}

}  // namespace
}  // namespace papyrion
