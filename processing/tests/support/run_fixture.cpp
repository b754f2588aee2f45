#include "support/run_fixture.h"

#include <filesystem>
#include <sstream>

namespace papyrion::test {
namespace fs = std::filesystem;

std::string BracketTranslate(std::string_view keyword) { return "[" + std::string(keyword) + "]"; }

namespace {
std::string MakeDataDir(const RunFolder& folder) {
    const std::string dir = folder / "data/";
    fs::create_directories(dir);
    WriteFile(dir + "Papyrion_Log.csv", "");
    return dir;
}
}  // namespace

CompositionFixture::CompositionFixture()
    : data_dir(MakeDataDir(folder)),
      settings(data_dir + "Papyrion.ini", BracketTranslate,
               [this](std::string_view name) { return name == "DIR" ? data_dir : std::string(); }),
      log(data_dir + "Papyrion_Log.csv", LogSwitches{[] { return true; }, [] { return true; }}),
      composition(CompositionServices{settings, log, ui, BracketTranslate,
                                      FakeEngineFactory(engine_log)}) {}

std::vector<std::string> CompositionFixture::LogCodes() const {
    std::vector<std::string> codes;
    std::istringstream in(ReadFile(log.File()));
    for (std::string line; std::getline(in, line);) codes.push_back(line.substr(0, line.find(';')));
    return codes;
}

std::vector<std::string> CompositionFixture::LogTexts(std::string_view code) const {
    std::vector<std::string> texts;
    std::istringstream in(ReadFile(log.File()));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(code, 0) != 0) continue;
        // code;date time;elapsed;text
        std::size_t at = 0;
        for (int field = 0; field < 3; ++field) at = line.find(';', at) + 1;
        texts.push_back(line.substr(at));
    }
    return texts;
}

std::vector<std::string> CompositionFixture::Messages() const {
    std::vector<std::string> messages;
    for (const std::string& call : ui.calls) {
        if (call.rfind("message: ", 0) == 0) messages.push_back(call.substr(9));
    }
    return messages;
}

}  // namespace papyrion::test
