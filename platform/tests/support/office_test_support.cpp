#include "support/office_test_support.h"

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "testsupport/files.h"

namespace papyrion::testing {

namespace fs = std::filesystem;

fs::path OfficeFixture(const std::string& name) {
    return fs::path(PAPYRION_SOURCE_DIR) / "platform" / "tests" / "data" / "office" / name;
}

fs::path CopyFixture(const std::string& name, const fs::path& folder) {
    fs::create_directories(folder);
    const fs::path copy = folder / name;
    fs::copy_file(OfficeFixture(name), copy, fs::copy_options::overwrite_existing);
    return copy;
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
        std::string cmdline = test::ReadFile(entry.path() / "cmdline");
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
