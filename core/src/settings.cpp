#include "core/settings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "core/filelock.h"
#include "core/inifile.h"
#include "text_util.h"

namespace papyrion {
namespace {

using F = SettingForm;

constexpr std::int64_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();

bool IsTick(F form) { return form == F::kTick01 || form == F::kTickOne || form == F::kTickYN; }
bool IsNumber(F form) {
    return form == F::kItemIndex || form == F::kInteger || form == F::kCounter ||
           form == F::kLenient;
}

std::string KeyName(std::string_view section, std::string_view key) {
    return std::string(section) + "/" + std::string(key);
}

[[noreturn]] void NotAnInteger(std::string_view text) {
    throw std::runtime_error("'" + std::string(text) + "' is not a valid integer value");
}

// Strict conversion as the load does it: a whole number, 32 bits wide except
// for the statistics counters, which may outgrow that over the years.
std::optional<std::int64_t> StrictFor(F form, std::string_view text) {
    const auto number = ParseStrictInteger(text);
    if (!number) return std::nullopt;
    if (form != F::kCounter && (*number < kIntMin || *number > kIntMax)) return std::nullopt;
    return number;
}

// Writers of the settings file take turns through this lock. It is a file of
// its own: a write renames a new file over the settings file, so a lock on the
// settings file itself would be left behind on the replaced one.
FileLock LockSettingsWrites(const std::filesystem::path& file) {
    std::filesystem::path lock_file = file;
    lock_file += ".lock";
    // Without a lock file the folder cannot be written, and the write itself
    // reports that.
    return FileLock::Acquire(lock_file);
}

std::string ConverterOf(std::string_view text) {
    const std::string upper = UpperCaseAscii(text);
    return upper == "MS" || upper == "OO" ? upper : "??";
}

}  // namespace

WindowPlace CentredPlace(ScreenSize screen, int width, int height) {
    // lrint rounds halves to the even neighbour in the default rounding mode.
    return {static_cast<int>(std::lrint((screen.width - width) / 2.0)),
            static_cast<int>(std::lrint((screen.height - height) / 2.0))};
}

SettingsModel::SettingsModel(std::filesystem::path file, TranslateFn translate,
                             EnvironmentFn environment)
    : file_(std::move(file)),
      translate_(std::move(translate)),
      environment_(std::move(environment)) {
    const auto definitions = SettingDefinitions();
    values_.reserve(definitions.size());
    for (std::size_t i = 0; i < definitions.size(); ++i) values_.push_back(DefaultOf(i));
    unsaved_counts_.assign(definitions.size(), 0);
}

std::size_t SettingsModel::IndexOf(std::string_view section, std::string_view key) const {
    const auto definitions = SettingDefinitions();
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        if (EqualsNoCase(definitions[i].section, section) &&
            EqualsNoCase(definitions[i].key, key)) {
            return i;
        }
    }
    throw std::out_of_range("No setting " + KeyName(section, key));
}

std::string SettingsModel::DefaultOf(std::size_t index) const {
    const SettingDefinition& definition = SettingDefinitions()[index];
    if (definition.translated_default && translate_) return translate_(definition.default_value);
    return std::string(definition.default_value);
}

void SettingsModel::Store(std::size_t index, std::string value) {
    const SettingDefinition& definition = SettingDefinitions()[index];
    switch (definition.form) {
        case F::kText:
            break;
        case F::kItemIndex:
        case F::kInteger:
        case F::kCounter: {
            const auto number = StrictFor(definition.form, value);
            if (!number) {
                throw std::invalid_argument("'" + value + "' is not a valid integer value for " +
                                            KeyName(definition.section, definition.key));
            }
            std::int64_t stored = *number;
            // A list cannot select an item it does not have: that is no selection.
            if (definition.form == F::kItemIndex &&
                (stored < -1 || (definition.items > 0 && stored >= definition.items))) {
                stored = -1;
            }
            value = std::to_string(stored);
            break;
        }
        case F::kLenient:
            value = std::to_string(ParseLeadingInteger(value));
            break;
        case F::kTick01:
            value = value == "0" ? "0" : "1";
            break;
        case F::kTickOne:
            value = value == "1" ? "1" : "0";
            break;
        case F::kTickYN:
            value = value == "y" ? "y" : "n";
            break;
        case F::kConverter:
            value = ConverterOf(value);
            break;
    }
    if (values_[index] == value) return;
    values_[index] = std::move(value);
    for (const Listener& listener : listeners_) listener(definition.section, definition.key);
}

std::string SettingsModel::Value(std::string_view section, std::string_view key) const {
    return values_[IndexOf(section, key)];
}

void SettingsModel::SetValue(std::string_view section, std::string_view key, std::string value) {
    Store(IndexOf(section, key), std::move(value));
}

int SettingsModel::ItemIndex(std::string_view section, std::string_view key) const {
    const std::size_t index = IndexOf(section, key);
    if (SettingDefinitions()[index].form != F::kItemIndex) {
        throw std::invalid_argument(KeyName(section, key) + " is not a list setting");
    }
    return static_cast<int>(*ParseStrictInteger(values_[index]));
}

void SettingsModel::SetItemIndex(std::string_view section, std::string_view key, int index) {
    const std::size_t at = IndexOf(section, key);
    if (SettingDefinitions()[at].form != F::kItemIndex) {
        throw std::invalid_argument(KeyName(section, key) + " is not a list setting");
    }
    Store(at, std::to_string(index));
}

bool SettingsModel::Checked(std::string_view section, std::string_view key) const {
    const std::size_t index = IndexOf(section, key);
    const F form = SettingDefinitions()[index].form;
    if (!IsTick(form)) throw std::invalid_argument(KeyName(section, key) + " is not a check box");
    return values_[index] == (form == F::kTickYN ? "y" : "1");
}

void SettingsModel::SetChecked(std::string_view section, std::string_view key, bool ticked) {
    const std::size_t index = IndexOf(section, key);
    const F form = SettingDefinitions()[index].form;
    if (!IsTick(form)) throw std::invalid_argument(KeyName(section, key) + " is not a check box");
    if (form == F::kTickYN) {
        Store(index, ticked ? "y" : "n");
    } else {
        Store(index, ticked ? "1" : "0");
    }
}

std::int64_t SettingsModel::Number(std::string_view section, std::string_view key) const {
    const std::size_t index = IndexOf(section, key);
    if (!IsNumber(SettingDefinitions()[index].form)) {
        throw std::invalid_argument(KeyName(section, key) + " is not a number setting");
    }
    return *ParseStrictInteger(values_[index]);
}

void SettingsModel::SetNumber(std::string_view section, std::string_view key, std::int64_t number) {
    const std::size_t index = IndexOf(section, key);
    if (!IsNumber(SettingDefinitions()[index].form)) {
        throw std::invalid_argument(KeyName(section, key) + " is not a number setting");
    }
    Store(index, std::to_string(number));
}

void SettingsModel::AddToNumber(std::string_view section, std::string_view key,
                                std::int64_t delta) {
    SetNumber(section, key, Number(section, key) + delta);
    const std::size_t index = IndexOf(section, key);
    if (SettingDefinitions()[index].form == F::kCounter) unsaved_counts_[index] += delta;
}

bool SettingsModel::IsYes(std::string_view section, std::string_view key) const {
    return Value(section, key) == "y";
}

int SettingsModel::ConverterItem() const {
    const std::string converter = Value("Opties", "PDFConverter");
    if (converter == "MS") return 1;
    if (converter == "OO") return 2;
    return 0;
}

bool SettingsModel::LogBoxesVisible() const { return ItemIndex("Loging", "Space") != 0; }
bool SettingsModel::LogBoxTicked() const { return Checked("Loging", "Trace"); }
bool SettingsModel::TraceBoxTicked() const { return Checked("Loging", "Log"); }

std::filesystem::path SettingsModel::ArchiveFolder() const {
    const std::string stored = Value("Archief Directory", "Naam");
    return stored.empty() ? std::filesystem::path(dir_) : std::filesystem::path(stored);
}

const std::string& SettingsModel::LoadDropWindowCountry() {
    drop_country_ = IniRead(file_, "Opties", "Country", environment_("LAND"));
    return drop_country_;
}

bool SettingsModel::LoadStationerySwitch() {
    SetValue("Overlay", "MetofZonder", Read("Overlay", "MetofZonder"));
    return Checked("Overlay", "MetofZonder");
}

void SettingsModel::StoreDropWindowCountry(std::string code) {
    drop_country_ = std::move(code);
    const FileLock lock = LockSettingsWrites(file_);
    IniWrite(file_, "Opties", "Country", drop_country_);
}

void SettingsModel::AddListener(Listener listener) { listeners_.push_back(std::move(listener)); }

std::string SettingsModel::Read(std::string_view section, std::string_view key) const {
    return IniRead(file_, section, key, DefaultOf(IndexOf(section, key)));
}

std::int64_t SettingsModel::ReadStrict(std::string_view section, std::string_view key) const {
    const std::string text = Read(section, key);
    const auto number = StrictFor(SettingDefinitions()[IndexOf(section, key)].form, text);
    if (!number) NotAnInteger(text);
    return *number;
}

void SettingsModel::Load() {
    dir_ = environment_("DIR");
    environment_("user");
    environment_("Tempdir");

    // Values are taken over in the same order as the controls are filled, so
    // an error leaves exactly the values after it as they were.
    const auto text = [this](std::string_view section, std::string_view key) {
        SetValue(section, key, Read(section, key));
    };
    const auto strict = [this](std::string_view section, std::string_view key) {
        return ReadStrict(section, key);
    };
    const auto item = [this](std::string_view section, std::string_view key, std::int64_t index) {
        SetItemIndex(section, key, static_cast<int>(index));
    };

    text("User", "User");
    text("Overlay", "Brief papier");
    SetNumber("Overlay", "Brief papier pagina", strict("Overlay", "Brief papier pagina"));
    text("Overlay", "Volg papier");
    SetNumber("Overlay", "Volg papier pagina", strict("Overlay", "Volg papier pagina"));
    const auto letter_rule = strict("Opties", "BriefPapier");
    const auto continuation_rule = strict("Opties", "VolgPapier");
    const auto overwrite = strict("Opties", "OverschrijfInput");
    const auto foreground = strict("Opties", "Voorgrond");
    const auto printer = strict("Opties", "Printer");
    const auto direct_print = strict("Opties", "DirectPrint");
    const auto direct_mail = strict("Opties", "DirectMail");
    const auto all_in_one = strict("Opties", "AllinOneMail");
    text("Opties", "Country");
    const auto direct_save = strict("Opties", "Directsave");

    text("Opties", "PDFConverter");

    text("Opties", "Handbediening");
    const std::string letter_pages = Read("Pagerange", "BriefPapier");
    const std::string continuation_pages = Read("Pagerange", "VolgPapier");

    text("Run", "SaveWW");
    if (Value("Run", "SaveWW") == "y") text("Run", "WachtWoord");
    text("Run", "AutoUpload");
    text("Run", "MiniofMaxi");
    text("Run", "Desktop voorgrond");
    text("Run", "Windows StartUp");

    text("Archief Directory", "Naam");
    item("Archief Directory", "Optie", strict("Archief Directory", "Optie"));

    item("Loging", "Space", strict("Loging", "Space"));
    item("Run", "CheckForUpdates", strict("Run", "CheckForUpdates"));
    SetNumber("Run", "Checkdate", ParseLeadingInteger(Read("Run", "Checkdate")) & 0xFFFF);

    text("Loging", "Trace");
    text("Loging", "Log");
    if (ItemIndex("Loging", "Space") == 0) {
        SetChecked("Loging", "Trace", false);
        SetChecked("Loging", "Log", false);
    }

    for (const char* counter :
         {"Aangemaakte bestanden", "Aangemaakte paginas", "Programma starts", "Programma einde"}) {
        SetNumber("Statistiek", counter, strict("Statistiek", counter));
        unsaved_counts_[IndexOf("Statistiek", counter)] = 0;
    }

    text("Product", "EmailAdr");
    item("Email", "EmailModel", strict("Email", "EmailModel"));

    SetValue("Pagerange", "BriefPapier", letter_pages);
    SetValue("Pagerange", "VolgPapier", continuation_pages);
    item("Opties", "BriefPapier", letter_rule);
    item("Opties", "VolgPapier", continuation_rule);
    item("Opties", "Voorgrond", foreground);
    item("Opties", "OverschrijfInput", overwrite);
    item("Opties", "DirectPrint", direct_print);
    item("Opties", "DirectMail", direct_mail);
    item("Opties", "AllinOneMail", all_in_one);
    item("Opties", "Directsave", direct_save);
    // The printer list belongs to printing; the index is kept as read.
    item("Opties", "Printer", printer);

    // Lists left without a selection take their default item.
    for (const SettingDefinition& definition : SettingDefinitions()) {
        if (definition.form != F::kItemIndex || definition.items == 0) continue;
        if (ItemIndex(definition.section, definition.key) == -1) {
            SetValue(definition.section, definition.key, std::string(definition.default_value));
        }
    }
}

DropWindowSettings SettingsModel::ApplyDropWindowSettings(
    ScreenSize screen, const std::function<int(int)>& height_for_width) {
    DropWindowSettings applied;
    applied.country = LoadDropWindowCountry();

    const std::string on_top = IniRead(file_, "Run", "Desktop voorgrond", "N");
    applied.stay_on_top = on_top == "y";
    SetValue("Run", "Desktop voorgrond", on_top);

    applied.setup_status = Read("Run", "SetUpStatus");
    SetValue("Run", "SetUpStatus", applied.setup_status);

    const auto lenient = [this](std::string_view key) {
        const std::int64_t value = ParseLeadingInteger(Read("Position", key));
        return static_cast<int>(std::clamp(value, kIntMin, kIntMax));
    };
    int width = lenient("F2Width");
    int top = lenient("F2Top");
    int left = lenient("F2Left");
    // A width that no screen shows, or none at all, would lose the main window.
    if (width > screen.width || width <= 0) width = 270;
    if (top > screen.height) top = 1;
    if (left > screen.width) left = 1;
    applied.width = width;
    if (left == 1 && top == 1) {
        const WindowPlace centre = CentredPlace(screen, width, height_for_width(width));
        left = centre.left;
        top = centre.top;
    }
    applied.top = top;
    applied.left = left;
    SetNumber("Position", "F2Width", width);
    SetNumber("Position", "F2Top", top);
    SetNumber("Position", "F2Left", left);

    applied.with_stationery = LoadStationerySwitch();
    return applied;
}

WindowPlace SettingsModel::ConfigurationWindowPlace(ScreenSize screen, int width, int height) {
    WindowPlace place;
    place.top = static_cast<int>(ReadStrict("Position", "F1Top"));
    place.left = static_cast<int>(ReadStrict("Position", "F1Left"));
    if (place.top == 1 && place.left == 1) place = CentredPlace(screen, width, height);
    SetNumber("Position", "F1Top", place.top);
    SetNumber("Position", "F1Left", place.left);
    return place;
}

void SettingsModel::MergeSavedCount(std::size_t index) {
    const SettingDefinition& definition = SettingDefinitions()[index];
    const auto in_file =
        StrictFor(F::kCounter, IniRead(file_, definition.section, definition.key, ""));
    std::int64_t merged = 0;
    // A file without a readable count (a first run, a reset) gets the live one.
    if (!in_file || __builtin_add_overflow(*in_file, unsaved_counts_[index], &merged)) return;
    Store(index, std::to_string(merged));
}

void SettingsModel::Save(SaveGroup group) {
    const FileLock lock = LockSettingsWrites(file_);
    if (group == SaveGroup::kG1 || group == SaveGroup::kG2 || group == SaveGroup::kG3) {
        dir_ = environment_("DIR");
    }
    if (group <= SaveGroup::kG4) SetValue("User", "User", environment_("user"));
    for (const SettingKey& key : SaveGroupKeys(group)) {
        const std::size_t index = IndexOf(key.section, key.key);
        const bool counter = SettingDefinitions()[index].form == F::kCounter;
        if (counter) MergeSavedCount(index);
        IniWrite(file_, key.section, key.key, Value(key.section, key.key));
        if (counter) unsaved_counts_[index] = 0;
    }
}

}  // namespace papyrion
