#include "support/cli_bench.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "core/inifile.h"
#include "testsupport/pdf_tools.h"
#include "testsupport/program.h"

extern char** environ;

namespace papyrion::test {
namespace fs = std::filesystem;

bool QpdfChecks(const std::string& file) { return QpdfProblems(file).empty(); }

int QpdfPages(const std::string& file) { return QpdfPageCount(file); }

std::string PageText(const std::string& file, int page) {
    const std::string p = std::to_string(page);
    return RunProgram({"pdftotext", "-f", p, "-l", p, file, "-"}).out;
}

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

void RepeatPdf(const std::string& source, int copies, const std::string& target) {
    std::vector<std::string> arguments = {"qpdf", "--empty", "--pages"};
    for (int i = 0; i < copies; ++i) arguments.push_back(source);
    arguments.insert(arguments.end(), {"--", target});
    RunProgram(arguments);
}

std::vector<std::string> ListedOutputs(const std::string& out) {
    std::vector<std::string> outputs;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] != '/') continue;
        outputs.push_back(line.substr(0, line.find('\t')));
    }
    return outputs;
}

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file()) files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

unsigned ModeOf(const std::string& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

uid_t OwnerOf(const std::string& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return static_cast<uid_t>(-1);
    return info.st_uid;
}

CliBench::CliBench() {
    fs::create_directories(data_dir);
    fs::create_directories(docs);
    // Logging on, both boxes ticked, so every entry is written.
    Ini("Loging", "Space", "1");
    Ini("Loging", "Trace", "1");
    Ini("Loging", "Log", "1");
}

std::string CliBench::Corpus(const std::string& name, const std::string& as) const {
    const std::string target = docs + "/" + as;
    fs::create_directories(fs::path(target).parent_path());
    fs::copy_file(kCorpus + name, target, fs::copy_options::overwrite_existing);
    return target;
}

CliResult CliBench::Cli(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment) const {
    return RunCli(folder, xdg, arguments, environment);
}

void CliBench::Ini(const std::string& section, const std::string& key,
                   const std::string& value) const {
    IniWrite(data_dir + "Papyrion.ini", section, key, value);
}

std::string CliBench::Setting(const std::string& section, const std::string& key) const {
    return IniRead(data_dir + "Papyrion.ini", section, key, "<none>");
}

std::vector<std::string> CliBench::StampAll(std::vector<std::string> paths) {
    std::vector<std::string> arguments{"--stationery",      "on", "--letterhead", kSampleLetterhead,
                                       "--letterhead-rule", "all"};
    arguments.insert(arguments.end(), paths.begin(), paths.end());
    return arguments;
}

pid_t SpawnCli(const std::string& xdg_data_home, const std::vector<std::string>& arguments,
               const std::string& out, const std::string& err) {
    const std::string program = std::string(PAPYRION_BIN_DIR) + "/papyrion-cli";
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    std::vector<std::string> variables{"XDG_DATA_HOME=" + xdg_data_home};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string_view(*entry).substr(0, 14) != "XDG_DATA_HOME=") variables.push_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int failed =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

int WaitForExit(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace papyrion::test
