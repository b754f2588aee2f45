#include "cli_options.h"

#include <charconv>
#include <filesystem>
#include <map>

#include "processing/pagerules.h"

namespace papyrion {

namespace {

bool IsWholeNumber(std::string_view text, int minimum) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= minimum;
}

// A page range is digits, blanks, "," and "-" and selects at least one page.
bool IsPageRange(std::string_view text) {
    if (text.find_first_not_of("0123456789,- ") != std::string_view::npos) return false;
    return !NormalizePageRange(text).empty();
}

// Files and folders are kept as full paths: the run and the settings work
// with nothing else.
std::string FullPath(const std::string& path) {
    return std::filesystem::absolute(path).lexically_normal().string();
}

}  // namespace

CliParse ParseCliArguments(const std::vector<std::string>& arguments) {
    CliOptions options;
    CliParse result;
    const auto fail = [&result](std::string error) {
        result.error = std::move(error);
        return result;
    };
    static const std::map<std::string, std::string, std::less<>> kActions = {
        {"keep", "1"}, {"mail", "2"}, {"print", "3"}, {"configured", "4"}, {"preview", "0"}};

    bool only_paths = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (only_paths || argument.empty() || argument[0] != '-' || argument == "-") {
            options.paths.push_back(argument);
            continue;
        }
        if (argument == "--") {
            only_paths = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> inline_value;
        if (const std::size_t eq = argument.find('='); eq != std::string::npos) {
            name = argument.substr(0, eq);
            inline_value = argument.substr(eq + 1);
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inline_value) return inline_value;
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        const auto flag = [&](bool& target) {
            if (inline_value) return false;
            target = true;
            return true;
        };

        if (name == "--help") {
            if (!flag(options.help)) return fail("--help takes no value");
        } else if (name == "--version") {
            if (!flag(options.version)) return fail("--version takes no value");
        } else if (name == "--overwrite") {
            bool set = false;
            if (!flag(set)) return fail("--overwrite takes no value");
            options.overrides.push_back({setting::kOverwriteInput, "1"});
        } else if (name == "--action") {
            const auto v = value();
            const auto found = v ? kActions.find(*v) : kActions.end();
            if (found == kActions.end()) {
                return fail("--action wants keep, mail, print, configured or preview");
            }
            options.action_code = found->second;
        } else if (name == "--letterhead" || name == "--continuation") {
            const auto v = value();
            if (!v || v->empty()) return fail(name + " wants a file");
            options.overrides.push_back(
                {name == "--letterhead" ? setting::kLetterheadFile : setting::kContinuationFile,
                 FullPath(*v)});
        } else if (name == "--letterhead-page" || name == "--continuation-page") {
            const auto v = value();
            if (!v || !IsWholeNumber(*v, 1)) return fail(name + " wants a page number from 1");
            options.overrides.push_back({name == "--letterhead-page" ? setting::kLetterheadPage
                                                                     : setting::kContinuationPage,
                                         *v});
        } else if (name == "--letterhead-rule" || name == "--continuation-rule") {
            const bool letterhead = name == "--letterhead-rule";

            const std::string first_or_rest = letterhead ? "first" : "rest";
            const auto v = value();
            if (!v) return fail(name + " wants a rule");
            int mode = -1;
            if (*v == "none") mode = kPageModeNone;
            if (*v == "all") mode = kPageModeAllPages;
            if (*v == first_or_rest) mode = kPageModeFirstOrRest;
            if (mode < 0) {
                if (!IsPageRange(*v)) {
                    return fail(name + " wants none, all, " + first_or_rest +
                                " or a page range such as 1,3-5");
                }
                mode = kPageModeRange;
                options.overrides.push_back(
                    {letterhead ? setting::kLetterheadPages : setting::kContinuationPages,
                     NormalizePageRange(*v)});
            }
            options.overrides.push_back(
                {letterhead ? setting::kLetterheadMode : setting::kContinuationMode,
                 std::to_string(mode)});
        } else if (name == "--placement") {
            const auto v = value();
            if (!v || (*v != "over" && *v != "under"))
                return fail("--placement wants over or under");
            options.overrides.push_back({setting::kStationeryPlacement, *v == "under" ? "1" : "0"});
        } else if (name == "--stationery") {
            const auto v = value();
            if (!v || (*v != "on" && *v != "off")) return fail("--stationery wants on or off");
            options.overrides.push_back({setting::kWithStationery, *v == "on" ? "1" : "0"});
        } else if (name == "--archive") {
            const auto v = value();
            if (!v || v->empty()) return fail("--archive wants a folder");
            options.overrides.push_back({setting::kArchiveFolder, FullPath(*v)});
            options.overrides.push_back({setting::kArchiveOutputs, "1"});
        } else {
            return fail("unknown option " + name);
        }
    }
    if (!options.help && !options.version && options.paths.empty()) {
        return fail("no file or folder given");
    }
    result.options = std::move(options);
    return result;
}

std::vector<SettingOverride> ApplyOverrides(SettingsModel& settings,
                                            const std::vector<SettingOverride>& overrides) {
    std::vector<SettingOverride> previous;
    for (const SettingOverride& o : overrides) {
        previous.push_back({o.key, settings.Value(o.key)});
        settings.SetValue(o.key, o.value);
    }
    return previous;
}

void RestoreOverrides(SettingsModel& settings, const std::vector<SettingOverride>& previous) {
    for (auto it = previous.rbegin(); it != previous.rend(); ++it) {
        settings.SetValue(it->key, it->value);
    }
}

}  // namespace papyrion
