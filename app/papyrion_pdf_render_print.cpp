#include "papyrion_pdf_render_print.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <map>

#include "core/environment.h"
#include "core/settings.h"
#include "core/text_keys.h"
#include "core/translation.h"
#include "delivery/printing_printers.h"
#include "pdfengine/pdfengine.h"
#include "pdfengine/printers.h"

namespace papyrion::app {

namespace {

int Usage() {
    std::cerr
        << "usage: papyrion-pdf render FILE PAGE OUT.jpg [--dpi N] [--factor F] [--password P]\n"
           "       papyrion-pdf print FILE PRINTER [--scaling 0|1|2] [--rotate] [--title T]\n"
           "                    [--pages FIRST-LAST] [--copies N] [--orientation 1|2]\n"
           "                    [--password P]\n"
           "       papyrion-pdf printers\n";
    return 2;
}

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;  // "--rotate" maps to ""
    bool ok = true;
};

Arguments Parse(const std::vector<std::string>& arguments, const std::vector<std::string>& flags,
                const std::vector<std::string>& valued) {
    Arguments parsed;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (arg.rfind("--", 0) != 0) {
            parsed.positional.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (std::find(flags.begin(), flags.end(), name) != flags.end() &&
            equals == std::string::npos) {
            parsed.options[name] = "";
        } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
            if (equals != std::string::npos) {
                parsed.options[name] = arg.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                parsed.options[name] = arguments[++i];
            } else {
                parsed.ok = false;
            }
        } else {
            parsed.ok = false;
        }
    }
    return parsed;
}

std::optional<int> Integer(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> Number(const std::string& text) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used != text.size()) return std::nullopt;
        return value;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Opens FILE in the engine; on failure one line naming the file and why.
bool Open(pdf::PdfEngine& engine, const std::string& file, const std::string& password) {
    if (engine.OpenFile(file, password) == 1) return true;
    std::cerr << "papyrion-pdf: " << file << ": ";
    switch (engine.LastError()) {
        case pdf::kErrorWrongPassword:
            std::cerr << "the password opens this encrypted file neither as user nor as owner";
            break;
        case pdf::kErrorFileNotReadable:
            std::cerr << "not a readable PDF";
            break;
        default:
            std::cerr << "cannot read the file";
            break;
    }
    std::cerr << "\n";
    return false;
}

int Render(const std::vector<std::string>& arguments) {
    const Arguments parsed = Parse(arguments, {}, {"--dpi", "--factor", "--password"});
    if (!parsed.ok || parsed.positional.size() != 3) return Usage();
    const auto page = Integer(parsed.positional[1]);
    const auto dpi = Integer(parsed.options.count("--dpi") ? parsed.options.at("--dpi") : "75");
    const auto factor =
        Number(parsed.options.count("--factor") ? parsed.options.at("--factor") : "1");
    if (!page || !dpi || !factor || *dpi <= 0 || !(*factor > 0)) return Usage();
    pdf::PdfEngine engine;
    const std::string password =
        parsed.options.count("--password") ? parsed.options.at("--password") : "";
    if (!Open(engine, parsed.positional[0], password)) return 1;
    engine.SetRenderFactor(*factor);
    const std::string& out = parsed.positional[2];
    switch (engine.RenderPageFile(*dpi, *page, 1, out)) {
        case 1:
            return 0;
        case 2:
            std::cerr << "papyrion-pdf: " << out << ": cannot create the file\n";
            return 1;
        default:
            std::cerr << "papyrion-pdf: " << parsed.positional[0] << ": cannot render page "
                      << *page << ": " << engine.PrintResultText() << "\n";
            return 1;
    }
}

int Print(const std::vector<std::string>& arguments) {
    const Arguments parsed =
        Parse(arguments, {"--rotate"},
              {"--scaling", "--title", "--pages", "--copies", "--orientation", "--password"});
    if (!parsed.ok || parsed.positional.size() != 2) return Usage();
    const std::string& file = parsed.positional[0];
    const std::string& printer = parsed.positional[1];
    const auto scaling =
        Integer(parsed.options.count("--scaling") ? parsed.options.at("--scaling") : "1");
    if (!scaling) return Usage();

    pdf::PdfEngine engine;
    const std::string password =
        parsed.options.count("--password") ? parsed.options.at("--password") : "";
    if (!Open(engine, file, password)) return 1;
    int first = 1;
    int last = engine.CountPages();
    if (parsed.options.count("--pages")) {
        const std::string& range = parsed.options.at("--pages");
        const std::size_t dash = range.find('-');
        const auto a = Integer(range.substr(0, dash));
        const auto b = dash == std::string::npos ? a : Integer(range.substr(dash + 1));
        if (!a || !b) return Usage();
        first = *a;
        last = *b;
    }

    std::string target = printer;
    if (parsed.options.count("--copies") || parsed.options.count("--orientation")) {
        target = engine.RegisterCustomPrinter(printer);
        for (auto [option, setting] : {std::pair{"--copies", 4}, std::pair{"--orientation", 11}}) {
            if (!parsed.options.count(option)) continue;
            const auto value = Integer(parsed.options.at(option));
            if (!value || engine.ConfigureCustomPrinter(target, setting, *value) != 1) {
                std::cerr << "papyrion-pdf: " << option << ": value not accepted\n";
                return 2;
            }
        }
    }
    const std::string title = parsed.options.count("--title")
                                  ? parsed.options.at("--title")
                                  : std::filesystem::path(file).filename().string();
    const int options =
        engine.MakePrintOptions(*scaling, parsed.options.count("--rotate") ? 1 : 0, title);
    try {
        engine.PrintPages(target, first, last, options);
    } catch (const pdf::PrintError& error) {
        std::cerr << "papyrion-pdf: " << file << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}

class StderrInterface : public UserInterface {
  public:
    void ShowStatus(int, const std::string&) override {}
    void ActivityTick() override {}
    void ShowMessage(const std::string& text) override { std::cerr << text << "\n"; }
    void ShowError(const std::string& text) override { std::cerr << text << "\n"; }
    bool AskYesNo(const std::string&) override { return false; }
    void ProcessPendingMessages() override {}
};

std::string ProgramFolder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("./") : exe.parent_path().string() + "/";
}

int Printers() {
    // The list as the configuration window fills it: the stored position and
    // the default-printer text of the user's settings and language.
    SettingsModel settings(EnvironmentValue("DIR") + "Papyrion.ini", nullptr, EnvironmentValue);
    settings.Load();
    StderrInterface ui;
    // A value that is no number reads as its default; say which.
    for (const SettingProblem& problem : settings.LoadProblems()) ui.ShowMessage(problem.Message());
    // The stored country, the system's when none is stored.
    TranslationTable table(ProgramFolder(), settings.LoadDropWindowCountry(), ui,
                           [](const std::string&) {});
    const std::string default_entry = table.Translate(text::kDefaultPrinter);
    auto printers = MakeCupsPrinterDirectory();
    const PrinterChoice choice =
        LoadPrinterChoice(*printers, default_entry, settings.ItemIndex(setting::kPrinter));
    for (std::size_t i = 0; i < choice.entries.size(); ++i) {
        std::cout << (static_cast<int>(i) == choice.selected ? "* " : "  ") << choice.entries[i]
                  << "\n";
    }
    return 0;
}

}  // namespace

std::optional<int> RunRenderPrintCommand(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return std::nullopt;
    const std::string& command = arguments[0];
    if (command == "render") return Render(arguments);
    if (command == "print") return Print(arguments);
    if (command == "printers") return arguments.size() == 1 ? Printers() : Usage();
    return std::nullopt;
}

}  // namespace papyrion::app
