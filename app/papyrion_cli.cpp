// papyrion-cli: the processing run without windows.
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "usage: papyrion-cli [OPTIONS] PATH...\n"
    "Stamps the company stationery onto the given files and folders.\n"
    "  --help     show this text\n"
    "  --version  show the program version\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("papyrion-cli 0.1.0\n");
        return 0;
    }
    std::fputs(kUsage, argc >= 2 && std::strcmp(argv[1], "--help") == 0 ? stdout : stderr);
    return argc >= 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
}
