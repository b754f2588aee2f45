#include "core/environment.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "locale_country.h"
#include "platform/programsearch.h"
#include "text_util.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;

std::string GetEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The passwd entry of the real user; null when there is none (a container
// started with a bare numeric uid).
const passwd* PasswdEntry(std::array<char, 4096>& buffer, passwd& entry) {
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) != 0) return nullptr;
    return result;
}

std::string HomeFolder() {
    std::string home = GetEnv("HOME");
    if (!home.empty()) return home;
    std::array<char, 4096> buffer{};
    passwd entry{};
    const passwd* found = PasswdEntry(buffer, entry);
    return found != nullptr && found->pw_dir != nullptr ? found->pw_dir : "";
}

std::string LocalDataFolder() {
    // Relative values are invalid for XDG base directories and are ignored.
    std::string xdg = GetEnv("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/') return StripTrailingSlashes(xdg);
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    return StripTrailingSlashes(home) + "/.local/share";
}

std::string LoginName() {
    // The owner of the files we create is the real user, so the passwd entry
    // of getuid() comes first; LOGNAME/USER only cover uids without one.
    std::array<char, 4096> buffer{};
    passwd entry{};
    const passwd* found = PasswdEntry(buffer, entry);
    if (found != nullptr && found->pw_name != nullptr && *found->pw_name != '\0') {
        return found->pw_name;
    }
    std::string name = GetEnv("LOGNAME");
    return name.empty() ? GetEnv("USER") : name;
}

bool SpreadsheetApplicationOnPath() {
    const std::string path = GetEnv("PATH");
    for (const char* program : {"soffice", "localc", "libreoffice"}) {
        if (FindProgram(program, path)) return true;
    }
    return false;
}

std::string HostName() {
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) != 0) return {};
    return buffer.data();
}

// Makes sure DIR and its Temp folder exist. Unlike a Windows profile, a fresh
// Linux account may lack ~/.local/share, so the whole chain is created (private
// to the user, as XDG asks). Without a LOCALDIR nothing is created: the
// folders would land in the file-system root. Failures are not reported; the
// first file operation that needs the folder reports them.
void EnsureFolders(const std::string& local_dir) {
    if (local_dir.empty()) return;
    const std::string target = local_dir + "/Papyrion/Temp";
    for (std::size_t slash = target.find('/', 1);; slash = target.find('/', slash + 1)) {
        const std::string prefix = target.substr(0, slash);
        mkdir(prefix.c_str(), 0700);  // EEXIST for the levels that are there
        if (slash == std::string::npos) break;
    }
}

}  // namespace

std::string EnvironmentValue(std::string_view name) {
    const std::string local_dir = LocalDataFolder();
    const std::string dir = local_dir + "/Papyrion/";
    EnsureFolders(local_dir);

    const std::string wanted = UpperCaseAscii(name);
    if (wanted == "LOCALDIR") return local_dir;
    if (wanted == "DIR") return dir;
    if (wanted == "TEMPDIR") return dir + "Temp/";
    if (wanted == "USER") return LoginName();
    if (wanted == "LAND") return CountryCodeOfLocale(MessagesLocaleName());
    if (wanted == "CONV") return SpreadsheetApplicationOnPath() ? "MS" : "??";
    if (wanted == "COMPUTERNAME") return HostName();
    return {};
}

}  // namespace papyrion
