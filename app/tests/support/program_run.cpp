#include "support/program_run.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace papyrion::test {

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

ProgramRun RunPapyrionPdf(const std::string& environment, const std::string& arguments,
                          const std::filesystem::path& err_file) {
    const std::string command = (environment.empty() ? "" : environment + " ") +
                                Quote(std::string(PAPYRION_BIN_DIR) + "/papyrion-pdf") + " " +
                                arguments + " 2>" + Quote(err_file.string());
    ProgramRun run{-1, {}, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.out.append(buffer.data(), got);
    }
    const int status = ::pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = Slurp(err_file);
    return run;
}

}  // namespace papyrion::test
