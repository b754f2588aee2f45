#include "platform/programsearch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace papyrion {
namespace {

bool IsExecutableFile(const std::filesystem::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

}  // namespace

std::string ProcessSearchPath() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
}

std::optional<std::filesystem::path> FindProgram(std::string_view program, std::string_view path) {
    if (program.empty()) return std::nullopt;
    if (program.find('/') != std::string_view::npos) {
        std::filesystem::path p(program);
        if (IsExecutableFile(p)) return p;
        return std::nullopt;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view folder = path.substr(start, end - start);
        if (!folder.empty()) {
            std::filesystem::path candidate = std::filesystem::path(folder) / program;
            if (IsExecutableFile(candidate)) return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

}  // namespace papyrion
