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

using namespace setting;
namespace {

using F = SettingForm;

constexpr std::int64_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();

bool IsTick(F form) { return form == F::kTick01 || form == F::kTickOne || form == F::kTickYN; }
bool IsNumber(F form) {
    return form == F::kItemIndex || form == F::kInteger || form == F::kCounter ||
           form == F::kLenient;
}

bool IsStrict(F form) {
    return form == F::kItemIndex || form == F::kInteger || form == F::kCounter;
}

std::string KeyName(SettingKey key) {
    return std::string(key.section) + "/" + std::string(key.key);
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

std::string SettingProblem::Message() const {
    return file.string() + ": [" + std::string(key.section) + "] " + std::string(key.key) + "=" +
           value + " is not a valid whole number";
}

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
    settled_.assign(definitions.size(), false);
}

std::size_t SettingsModel::IndexOf(SettingKey key) const {
    const auto definitions = SettingDefinitions();
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        if (EqualsNoCase(definitions[i].key.section, key.section) &&
            EqualsNoCase(definitions[i].key.key, key.key)) {
            return i;
        }
    }
    throw std::out_of_range("No setting " + KeyName(key));
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
                                            KeyName(definition.key));
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
    ForgetProblem(index);
    settled_[index] = true;
    if (values_[index] == value) return;
    values_[index] = std::move(value);
    for (const Listener& listener : listeners_) listener(definition.key);
}

std::string SettingsModel::Value(SettingKey key) const { return values_[IndexOf(key)]; }

void SettingsModel::SetValue(SettingKey key, std::string value) {
    Store(IndexOf(key), std::move(value));
}

int SettingsModel::ItemIndex(SettingKey key) const {
    const std::size_t index = IndexOf(key);
    if (SettingDefinitions()[index].form != F::kItemIndex) {
        throw std::invalid_argument(KeyName(key) + " is not a list setting");
    }
    return static_cast<int>(*ParseStrictInteger(values_[index]));
}

void SettingsModel::SetItemIndex(SettingKey key, int index) {
    const std::size_t at = IndexOf(key);
    if (SettingDefinitions()[at].form != F::kItemIndex) {
        throw std::invalid_argument(KeyName(key) + " is not a list setting");
    }
    Store(at, std::to_string(index));
}

bool SettingsModel::Checked(SettingKey key) const {
    const std::size_t index = IndexOf(key);
    const F form = SettingDefinitions()[index].form;
    if (!IsTick(form)) throw std::invalid_argument(KeyName(key) + " is not a check box");
    return values_[index] == (form == F::kTickYN ? "y" : "1");
}

void SettingsModel::SetChecked(SettingKey key, bool ticked) {
    const std::size_t index = IndexOf(key);
    const F form = SettingDefinitions()[index].form;
    if (!IsTick(form)) throw std::invalid_argument(KeyName(key) + " is not a check box");
    if (form == F::kTickYN) {
        Store(index, ticked ? "y" : "n");
    } else {
        Store(index, ticked ? "1" : "0");
    }
}

std::int64_t SettingsModel::Number(SettingKey key) const {
    const std::size_t index = IndexOf(key);
    if (!IsNumber(SettingDefinitions()[index].form)) {
        throw std::invalid_argument(KeyName(key) + " is not a number setting");
    }
    return *ParseStrictInteger(values_[index]);
}

void SettingsModel::SetNumber(SettingKey key, std::int64_t number) {
    const std::size_t index = IndexOf(key);
    if (!IsNumber(SettingDefinitions()[index].form)) {
        throw std::invalid_argument(KeyName(key) + " is not a number setting");
    }
    Store(index, std::to_string(number));
}

void SettingsModel::AddToNumber(SettingKey key, std::int64_t delta) {
    SetNumber(key, Number(key) + delta);
    const std::size_t index = IndexOf(key);
    if (SettingDefinitions()[index].form == F::kCounter) unsaved_counts_[index] += delta;
}

bool SettingsModel::IsYes(SettingKey key) const { return Value(key) == "y"; }

int SettingsModel::ConverterItem() const {
    const std::string converter = Value(kPdfConverter);
    if (converter == "MS") return 1;
    if (converter == "OO") return 2;
    return 0;
}

bool SettingsModel::LogBoxesVisible() const { return ItemIndex(kLogSize) != 0; }
bool SettingsModel::LogBoxTicked() const { return Checked(kLogBox); }
bool SettingsModel::TraceBoxTicked() const { return Checked(kTraceBox); }

std::filesystem::path SettingsModel::ArchiveFolder() const {
    const std::string stored = Value(kArchiveFolder);
    return stored.empty() ? std::filesystem::path(dir_) : std::filesystem::path(stored);
}

const std::string& SettingsModel::LoadDropWindowCountry() {
    drop_country_ = IniRead(file_, kCountryCode.section, kCountryCode.key, environment_("LAND"));
    return drop_country_;
}

bool SettingsModel::LoadStationerySwitch() {
    SetValue(kWithStationery, Read(IndexOf(kWithStationery)));
    return Checked(kWithStationery);
}

void SettingsModel::StoreDropWindowCountry(std::string code) {
    drop_country_ = std::move(code);
    const FileLock lock = LockSettingsWrites(file_);
    IniWrite(file_, kCountryCode.section, kCountryCode.key, drop_country_);
}

void SettingsModel::AddListener(Listener listener) { listeners_.push_back(std::move(listener)); }

std::string SettingsModel::Read(std::size_t index) const {
    const SettingKey key = SettingDefinitions()[index].key;
    return IniRead(file_, key.section, key.key, DefaultOf(index));
}

std::optional<SettingProblem> SettingsModel::ReadInto(std::size_t index) {
    const SettingDefinition& definition = SettingDefinitions()[index];
    std::string text = Read(index);
    if (IsStrict(definition.form) && !StrictFor(definition.form, text)) {
        Store(index, DefaultOf(index));
        settled_[index] = false;
        return SettingProblem{definition.key, std::move(text), file_};
    }
    Store(index, std::move(text));
    return std::nullopt;
}

void SettingsModel::ForgetProblem(std::size_t index) {
    const SettingKey key = SettingDefinitions()[index].key;
    std::erase_if(problems_, [key](const SettingProblem& problem) { return problem.key == key; });
}

void SettingsModel::Load() {
    dir_ = environment_("DIR");
    environment_("user");
    environment_("Tempdir");

    // The problems are kept aside until the end: the adjustments below set
    // keys again, which would end them.
    std::vector<SettingProblem> found;
    const auto definitions = SettingDefinitions();
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        if (definitions[i].read_by != SettingReader::kLoad) continue;
        // The password is read only when it is to be remembered; the table
        // has kRememberPassword before it.
        if (definitions[i].key == kPassword && !IsYes(kRememberPassword)) continue;
        if (auto problem = ReadInto(i)) found.push_back(std::move(*problem));
    }
    // The day number of the last update check is kept in 16 bits.
    SetNumber(kLastUpdateCheck, Number(kLastUpdateCheck) & 0xFFFF);
    if (ItemIndex(kLogSize) == 0) {
        SetChecked(kLogBox, false);
        SetChecked(kTraceBox, false);
    }
    // What the file holds now is the base this run's counts are added to.
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        if (definitions[i].form == F::kCounter) unsaved_counts_[i] = 0;
    }
    // Lists left without a selection take their default item.
    for (const SettingDefinition& definition : definitions) {
        if (definition.form != F::kItemIndex || definition.items == 0) continue;
        if (ItemIndex(definition.key) == -1) {
            SetValue(definition.key, std::string(definition.default_value));
        }
    }
    problems_.insert(problems_.end(), found.begin(), found.end());
}

DropWindowSettings SettingsModel::ApplyDropWindowSettings(
    ScreenSize screen, const std::function<int(int)>& height_for_width) {
    DropWindowSettings applied;
    applied.country = LoadDropWindowCountry();

    const std::string on_top = IniRead(file_, kStayOnTop.section, kStayOnTop.key, "N");
    applied.stay_on_top = on_top == "y";
    SetValue(kStayOnTop, on_top);

    applied.setup_status = Read(IndexOf(kSetupStatus));
    SetValue(kSetupStatus, applied.setup_status);

    const auto lenient = [this](SettingKey key) {
        const std::int64_t value = ParseLeadingInteger(Read(IndexOf(key)));
        return static_cast<int>(std::clamp(value, kIntMin, kIntMax));
    };
    int width = lenient(kDropWindowWidth);
    int top = lenient(kDropWindowTop);
    int left = lenient(kDropWindowLeft);
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
    SetNumber(kDropWindowWidth, width);
    SetNumber(kDropWindowTop, top);
    SetNumber(kDropWindowLeft, left);

    applied.with_stationery = LoadStationerySwitch();
    return applied;
}

WindowPlace SettingsModel::ConfigurationWindowPlace(ScreenSize screen, int width, int height) {
    std::vector<SettingProblem> found;
    for (const SettingKey key : {kConfigurationWindowTop, kConfigurationWindowLeft}) {
        if (auto problem = ReadInto(IndexOf(key))) found.push_back(std::move(*problem));
    }
    WindowPlace place;
    place.top = static_cast<int>(Number(kConfigurationWindowTop));
    place.left = static_cast<int>(Number(kConfigurationWindowLeft));
    if (place.top == 1 && place.left == 1) place = CentredPlace(screen, width, height);
    SetNumber(kConfigurationWindowTop, place.top);
    SetNumber(kConfigurationWindowLeft, place.left);
    problems_.insert(problems_.end(), found.begin(), found.end());
    return place;
}

void SettingsModel::MergeSavedCount(std::size_t index) {
    const SettingDefinition& definition = SettingDefinitions()[index];
    const auto in_file =
        StrictFor(F::kCounter, IniRead(file_, definition.key.section, definition.key.key, ""));
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
    if (group <= SaveGroup::kG4) SetValue(kUserName, environment_("user"));
    for (const SettingKey& key : SaveGroupKeys(group)) {
        const std::size_t index = IndexOf(key);
        // A default would replace what the file holds for a key that was
        // never read, or whose value could not be: the user's value is kept.
        if (!settled_[index]) continue;
        const bool counter = SettingDefinitions()[index].form == F::kCounter;
        if (counter) MergeSavedCount(index);
        IniWrite(file_, key.section, key.key, Value(key));
        if (counter) unsaved_counts_[index] = 0;
    }
}

}  // namespace papyrion
