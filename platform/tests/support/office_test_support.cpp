#include "support/office_test_support.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace papyrion::testing {

namespace fs = std::filesystem;

OfficeTestFolder::OfficeTestFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() /
            ("papyrion_office_" + std::to_string(getpid()) + "_" + std::to_string(random()));
    fs::create_directories(path_);
}

OfficeTestFolder::~OfficeTestFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

fs::path OfficeFixture(const std::string& name) {
    return fs::path(PAPYRION_SOURCE_DIR) / "platform" / "tests" / "data" / "office" / name;
}

fs::path CopyFixture(const std::string& name, const fs::path& folder) {
    fs::create_directories(folder);
    const fs::path copy = folder / name;
    fs::copy_file(OfficeFixture(name), copy, fs::copy_options::overwrite_existing);
    return copy;
}

std::string FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string CommandOutput(const std::string& command, int* status) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (status) *status = -1;
        return output;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int rc = pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return output;
}

std::string PdfText(const fs::path& pdf) {
    return CommandOutput("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null");
}

bool QpdfCheckPasses(const fs::path& pdf) {
    int status = -1;
    CommandOutput("qpdf --check '" + pdf.string() + "' >/dev/null 2>&1", &status);
    return status == 0;
}

std::string QpdfEncryption(const fs::path& pdf) {
    return CommandOutput("qpdf --show-encryption '" + pdf.string() + "' 2>&1");
}

bool ProcessAlive(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

std::vector<pid_t> ProcessesMentioning(const std::string& marker) {
    std::vector<pid_t> found;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = static_cast<pid_t>(std::stol(name));
        if (pid == getpid()) continue;
        std::string cmdline = FileBytes(entry.path() / "cmdline");
        if (cmdline.find(marker) != std::string::npos && ProcessAlive(pid)) found.push_back(pid);
    }
    return found;
}

std::vector<pid_t> RemainingProcesses(const std::string& marker) {
    std::vector<pid_t> left;
    for (int i = 0; i < 100; ++i) {
        left = ProcessesMentioning(marker);
        if (left.empty()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return left;
}

}  // namespace papyrion::testing
