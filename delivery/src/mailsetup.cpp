#include "delivery/mailsetup.h"

#include "platform/mailcomposer_linux.h"

namespace papyrion {

std::unique_ptr<MailComposer> MakeDesktopMailComposer(const RunState& run) {
    LinuxMailComposerOptions options;
    options.spill_folder = run.TempDir();
    return std::make_unique<LinuxMailComposer>(std::move(options));
}

MailCompositionServices MailServicesOf(RunState& run, TranslationTable& table, UserInterface& ui,
                                       MailComposer& composer) {
    return MailCompositionServices{
        run.Settings(),
        run.Log(),
        run.MailCollection(),
        ui,
        composer,
        [&table](std::string_view keyword) { return table.Translate(keyword); },
        run.Dir()};
}

}  // namespace papyrion
