#include "processing/runwiring.h"

#include <exception>

#include "delivery/mailsetup.h"
#include "processing/composition_pdfengine.h"
#include "processing/processingrun_cli.h"

namespace papyrion {
namespace {

LibreOfficeOptions OfficeOptions(const RunState& state, const RunWiringOptions& options) {
    LibreOfficeOptions office;
    office.temp_dir = state.TempDir();
    office.search_path = options.search_path;
    return office;
}

TranslateFn TranslatorOf(TranslationTable& table) {
    return [&table](std::string_view keyword) { return table.Translate(keyword); };
}

}  // namespace

RunAssembly::RunAssembly(RunState& state, TranslationTable& table, UserInterface& ui,
                         RunWiringOptions options)
    : office_(OfficeOptions(state, options)),
      conversion_(ConversionServices{office_, state.Settings(), state.Log(), table, ui}),
      composer_(MakeDesktopMailComposer(state)),
      mail_(MailServicesOf(state, table, ui, *composer_),
            MailPlaceholders::FromTranslations(TranslatorOf(table))),
      composition_(CompositionServices{state.Settings(), state.Log(), ui, TranslatorOf(table),
                                       MakePdfEngineFactory()}) {
    SettingsModel& settings = state.Settings();
    RunHandOffs hand_offs;
    hand_offs.refresh_stationery_tab = options.refresh_stationery_tab;
    if (!hand_offs.refresh_stationery_tab) {
        hand_offs.refresh_stationery_tab = [&state, &settings, &ui, &table] {
            return CliStationeryPages(state, settings, ui, TranslatorOf(table));
        };
    }
    hand_offs.convert_document = [this](const std::string& in, const std::string& pdf) {
        return conversion_.ConvertDocument(in, pdf);
    };
    hand_offs.convert_spreadsheet = [this](const std::string& in, const std::string& pdf) {
        return conversion_.ConvertSpreadsheet(in, pdf);
    };
    hand_offs.quit_office = [this] { conversion_.QuitWord(); };
    hand_offs.print_pdf_file = options.print_pdf_file
                                   ? options.print_pdf_file
                                   : MakeCliPrinter(settings, ui, TranslatorOf(table));
    hand_offs.mail_output_file = [this, &state, &ui](const std::string& what) {
        try {
            if (!mail_.MailOutputFile(what)) return false;
        } catch (const std::exception& error) {
            // Kept, not discarded: the mail program never got it.
            ui.ShowError(error.what());
            return false;
        }
        if (what != kMailInOne) {
            mailed_.Add(what);
        } else {
            for (const std::string& path : state.MailCollection().Entries()) mailed_.Add(path);
        }
        return true;
    };

    RunServices services{settings,
                         state.Log(),
                         ui,
                         TranslatorOf(table),
                         state.TempFiles(),
                         state.MailCollection(),
                         composition_,
                         hand_offs,
                         {},
                         std::chrono::system_clock::now,
                         state.RunTempDir(),
                         options.input_password};
    run_ = std::make_unique<ProcessingRun>(std::move(services));
}

}  // namespace papyrion
