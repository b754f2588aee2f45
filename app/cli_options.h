#pragma once
// The command line of papyrion-cli: which files to process, the action, and
// settings that are overridden for this run only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "core/settings_keys.h"

namespace papyrion {

inline constexpr std::string_view kCliUsage =
    "usage: papyrion-cli [OPTIONS] PATH...\n"
    "Stamps the company stationery onto the given files and folders (PDF, DOC, DOCX, RTF,\n"
    "TXT, ODT, CSV, XLS, XLSX, XLSB, ODS; folders are searched with their subfolders),\n"
    "with the saved settings. The options below change them for this run only.\n"
    "  --action keep|mail|print|configured|preview\n"
    "                           what to do with every output (default keep)\n"
    "  --letterhead FILE        letterhead PDF\n"
    "  --letterhead-page N      page of the letterhead PDF to use\n"
    "  --letterhead-rule none|all|first|RANGE\n"
    "                           pages that get the letterhead (RANGE like 1,3-5)\n"
    "  --continuation FILE      continuation paper PDF\n"
    "  --continuation-page N    page of the continuation PDF to use\n"
    "  --continuation-rule none|all|rest|RANGE\n"
    "                           pages that get the continuation paper\n"
    "  --placement over|under   stationery over or under the document\n"
    "  --stationery on|off      stamp the stationery at all\n"
    "  --archive DIR            write the outputs into this folder\n"
    "  --overwrite              replace each input by its stamped result\n"
    "  --help                   show this text\n"
    "  --version                show the program version\n"
    "Prints one line per output file and a summary. Exit status: 0 when every input\n"
    "gave an output, 1 when any did not, 2 on a usage error.\n";

struct SettingOverride {
    SettingKey key;
    std::string value;
};

struct CliOptions {
    bool help = false;
    bool version = false;
    std::string action_code = "1";
    std::vector<SettingOverride> overrides;  // applied in this order
    std::vector<std::string> paths;
};

// The parsed command line, or the reason it is wrong (for the usage error).
struct CliParse {
    std::optional<CliOptions> options;
    std::string error;
};

CliParse ParseCliArguments(const std::vector<std::string>& arguments);

// Sets every override and returns the values they replaced, so that the
// caller can put them back (RestoreOverrides) before the settings are saved.
std::vector<SettingOverride> ApplyOverrides(SettingsModel& settings,
                                            const std::vector<SettingOverride>& overrides);

// Puts back what ApplyOverrides returned, last first.
void RestoreOverrides(SettingsModel& settings, const std::vector<SettingOverride>& previous);

}  // namespace papyrion
