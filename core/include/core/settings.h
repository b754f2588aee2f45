#pragma once
// The settings model: the live value of every setting of a run, named by its
// section and key in the settings file. Windows bind their controls to it and
// processing code reads it; the file is read by Load and the drop-window
// steps, and written only by the save groups.
//
// Every live value is held as the text the file stores: item indices as
// decimal text ("-1" for none), ticks as "1"/"0" or "y"/"n" by key, counters
// as decimal integers. Typed helpers convert on the way in and out.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings_keys.h"

namespace papyrion {

using TranslateFn = std::function<std::string(std::string_view keyword)>;
using EnvironmentFn = std::function<std::string(std::string_view name)>;

enum class SettingForm {
    kText,       // any text, kept as read
    kItemIndex,  // selected item of a list, strict integer; outside the list means none
    kInteger,    // strict integer (page numbers, window positions read strictly)
    kCounter,    // strict 64-bit integer (statistics)
    kLenient,    // the leading integer part of the text, 0 when there is none
    kTick01,     // check box stored "1"/"0", ticked unless the text is "0"
    kTickOne,    // check box stored "1"/"0", ticked only by "1"
    kTickYN,     // check box stored "y"/"n", ticked only by "y"
    kConverter,  // "MS", "OO" or "??"
};

// Which step reads a key from the file.
enum class SettingReader {
    kLoad,                 // SettingsModel::Load
    kDropWindow,           // ApplyDropWindowSettings
    kConfigurationWindow,  // ConfigurationWindowPlace
};

struct SettingDefinition {
    SettingKey key;
    SettingForm form;
    std::string_view default_value;  // for a translated default: the keyword
    bool translated_default = false;
    int items = 0;             // list length of an item index; 0 when the list is not known here
    std::string_view control;  // the control or variable that shows the value
    SettingReader read_by = SettingReader::kLoad;
};

// A value in the file that its key cannot hold (no whole number where one is
// stored). The key keeps its default.
struct SettingProblem {
    SettingKey key;
    std::string value;
    std::filesystem::path file;

    // "<file>: [<section>] <key>=<value> is not a valid whole number"
    std::string Message() const;
};

// Every key of the settings file, in file order.
std::span<const SettingDefinition> SettingDefinitions();

enum class SaveGroup { kG1 = 1, kG2, kG3, kG4, kG5, kG6, kG7 };

// The keys a save group writes, in the order it writes them.
std::span<const SettingKey> SaveGroupKeys(SaveGroup group);

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// What the drop window applies at its creation.
struct DropWindowSettings {
    std::string country;       // the drop window's copy of setting::kCountryCode
    bool stay_on_top = false;  // setting::kStayOnTop is exactly "y"
    std::string setup_status;  // setting::kSetupStatus, compared with "0" by the window
    int width = 270;
    int top = 1;
    int left = 1;
    bool with_stationery = false;  // setting::kWithStationery is exactly "1"
};

struct WindowPlace {
    int left = 1;
    int top = 1;
};

// Left/top that centre a window: half the free space, to the nearest integer
// with ties to the even one.
WindowPlace CentredPlace(ScreenSize screen, int width, int height);

class SettingsModel {
  public:
    // `file` is DIR + "Papyrion.ini". `translate` gives translated defaults
    // (keyword `Onbekend`); `environment` is EnvironmentValue in the program.
    SettingsModel(std::filesystem::path file, TranslateFn translate, EnvironmentFn environment);

    const std::filesystem::path& File() const { return file_; }

    // Live values by key (section and key matched without regard to case).
    // Both throw std::out_of_range for a key that is not a setting. SetValue
    // brings the text to the key's stored form and throws
    // std::invalid_argument for a number key given no whole number. Setting a
    // key in any way ends a load problem of that key.
    std::string Value(SettingKey key) const;
    void SetValue(SettingKey key, std::string value);

    // Item index of a list key; -1 for no selection. Setting an index outside
    // the list selects nothing, as a combo box does.
    int ItemIndex(SettingKey key) const;
    void SetItemIndex(SettingKey key, int index);

    // Check-box keys (any tick form).
    bool Checked(SettingKey key) const;
    void SetChecked(SettingKey key, bool ticked);

    // Number keys (integer, counter and lenient forms).
    std::int64_t Number(SettingKey key) const;
    void SetNumber(SettingKey key, std::int64_t number);
    // On a statistics counter the delta is also kept as this run's part of
    // the count, which Save adds to what the file holds then.
    void AddToNumber(SettingKey key, std::int64_t delta);

    // y/n texts that are not check boxes (setting::kRememberPassword,
    // setting::kFetchStationeryAutomatically).
    bool IsYes(SettingKey key) const;

    // Item of the converter list: 1 "MS", 2 "OO", 0 otherwise.
    int ConverterItem() const;
    // The two log check boxes are shown unless logging is off.
    bool LogBoxesVisible() const;
    // The box captioned "Log" (setting::kLogBox) and the box captioned "Trace"
    // (setting::kTraceBox).
    bool LogBoxTicked() const;
    bool TraceBoxTicked() const;
    // The archive folder: the stored setting::kArchiveFolder, or DIR when it is empty.
    std::filesystem::path ArchiveFolder() const;
    // DIR as last read from the environment.
    const std::string& Dir() const { return dir_; }
    const std::string& DropWindowCountry() const { return drop_country_; }
    // Reads the drop window's copy of setting::kCountryCode (default: the system
    // country "LAND"); ApplyDropWindowSettings does this as its first step.
    const std::string& LoadDropWindowCountry();
    void SetDropWindowCountry(std::string country) { drop_country_ = std::move(country); }
    // Reads the drop window's stationery switch (`Overlay`/`MetofZonder`),
    // which Load leaves alone, into the live value; whether it is on.
    bool LoadStationerySwitch();
    // The translation table's fallback: the drop window's copy becomes `code`
    // and the file gets it at once, so the next start finds a language.
    // Throws as IniWrite does.
    void StoreDropWindowCountry(std::string code);

    // Fills every key the load reads (see SettingReader) from the file. A
    // value that is no whole number its key can hold leaves the key at its
    // default and becomes a load problem; the rest is read all the same. A
    // missing file gives every default. Does not throw for the file's content.
    void Load();

    // Problems of the last reads of the file that no later setting of their
    // key has ended, in the order found. Callers decide whether to go on.
    const std::vector<SettingProblem>& LoadProblems() const { return problems_; }

    // Reads the keys the drop window applies at its creation and keeps the
    // resulting size and place as the live drop window position values.
    // `height_for_width` gives the window height that goes with a width.
    DropWindowSettings ApplyDropWindowSettings(ScreenSize screen,
                                               const std::function<int(int)>& height_for_width);

    // Reads setting::kConfigurationWindowTop and kConfigurationWindowLeft (a
    // bad value is a load problem and reads as the default, as in Load); both
    // 1 means centred. Keeps the result as the live values.
    WindowPlace ConfigurationWindowPlace(ScreenSize screen, int width, int height);

    // Writes the group's keys that were read from the file or set since (a
    // key whose value did not load, or that no step read, keeps what the
    // file holds). A refused write raises
    // "Unable to write to <file>" and the rest of the group is skipped.
    // Saves of all processes on the file take turns through a lock on the
    // file + ".lock" held for the whole group. Other runs may have saved
    // since the load, so a statistics counter is written as the file's count
    // plus this run's additions since its load or last save (the live count
    // when the file holds no count), which then becomes the live value. A
    // listener told of that change must not save: the lock is held.
    void Save(SaveGroup group);

    // Called after every change of a live value, with the key as the
    // definitions table spells it.
    using Listener = std::function<void(SettingKey key)>;
    void AddListener(Listener listener);

  private:
    std::size_t IndexOf(SettingKey key) const;
    void Store(std::size_t index, std::string value);
    std::string DefaultOf(std::size_t index) const;
    std::string Read(std::size_t index) const;
    // Reads a key and takes the value over, the default when the file's value
    // does not fit; returns the problem that makes.
    std::optional<SettingProblem> ReadInto(std::size_t index);
    void ForgetProblem(std::size_t index);
    // Makes a counter's live value the file's count plus this run's unsaved part.
    void MergeSavedCount(std::size_t index);

    std::filesystem::path file_;
    TranslateFn translate_;
    EnvironmentFn environment_;
    std::vector<std::string> values_;  // parallel to SettingDefinitions()
    // Also parallel: what AddToNumber added to each counter and no save has
    // written yet.
    std::vector<std::int64_t> unsaved_counts_;
    // Also parallel: whether the live value was read or set, so that a save
    // may write it.
    std::vector<bool> settled_;
    std::vector<Listener> listeners_;
    std::vector<SettingProblem> problems_;
    std::string dir_;
    std::string drop_country_;
};

}  // namespace papyrion
