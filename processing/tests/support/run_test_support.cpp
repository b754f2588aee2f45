#include "support/run_test_support.h"

#include <fstream>
#include <sstream>

namespace papyrion::test {
namespace fs = std::filesystem;

namespace {
constexpr std::string_view kFakeHeader = "%FAKEPDF";
}  // namespace

std::string FakePdf(const std::vector<std::string>& pages) {
    std::string text(kFakeHeader);
    text += "\n";
    for (const std::string& page : pages) text += page + "\n";
    return text;
}

std::vector<std::string> FakePages(const fs::path& file) {
    std::istringstream in(ReadFile(file));
    std::string line;
    if (!std::getline(in, line) || line != kFakeHeader) return {};
    std::vector<std::string> pages;
    while (std::getline(in, line)) pages.push_back(line);
    return pages;
}

FakeEngine::FakeEngine(FakeEngineLog& log) : log_(log) { CreateDocument(); }

bool FakeEngine::OpenFile(const std::string& file_name, const std::string&) {
    ++log_.opens[file_name];
    std::error_code ec;
    if (!fs::exists(file_name, ec)) return false;
    const std::string text = ReadFile(file_name);
    if (text.rfind(kFakeHeader, 0) != 0) {
        last_error_ = 401;
        return false;
    }
    Document document;
    document.pages = FakePages(file_name);
    if (document.pages.empty()) {
        last_error_ = 401;
        return false;
    }
    selected_ = next_id_++;
    documents_[selected_] = std::move(document);
    return true;
}

bool FakeEngine::UseDocument(EngineDocumentId document) {
    if (!documents_.count(document)) return false;
    selected_ = document;
    return true;
}

EngineDocumentId FakeEngine::CreateDocument() {
    selected_ = next_id_++;
    documents_[selected_] = Document{{""}, 1, {}};
    return selected_;
}

int FakeEngine::CountPages() { return static_cast<int>(Selected().pages.size()); }

bool FakeEngine::UsePage(int page_number) {
    if (page_number < 1 || page_number > CountPages()) return false;
    Selected().page = page_number;
    return true;
}

int FakeEngine::AppendPages(int count) {
    if (count < 1) return 0;
    Selected().pages.insert(Selected().pages.end(), static_cast<std::size_t>(count), "");
    return CountPages();
}

bool FakeEngine::AppendDocument(EngineDocumentId other) {
    if (other == selected_ || !documents_.count(other)) return false;
    const Document& source = documents_.at(other);
    Selected().pages.insert(Selected().pages.end(), source.pages.begin(), source.pages.end());
    documents_.erase(other);
    return true;
}

EngineCaptureId FakeEngine::CapturePageAsForm(int page_number) {
    Document& document = Selected();
    if (page_number < 1 || page_number > CountPages() || CountPages() < 2) return 0;
    const EngineCaptureId capture = next_id_++;
    document.captures[capture] = document.pages[static_cast<std::size_t>(page_number - 1)];
    document.pages.erase(document.pages.begin() + page_number - 1);
    document.page = std::min(page_number, CountPages());
    return capture;
}

bool FakeEngine::PlaceCapturedPage(EngineCaptureId capture, double, double, double, double) {
    Document& document = Selected();
    const auto found = document.captures.find(capture);
    if (found == document.captures.end()) return false;
    document.pages[static_cast<std::size_t>(document.page - 1)] += "{" + found->second + "}";
    return true;
}

bool FakeEngine::PlaceCapturedPageUnder(EngineCaptureId capture, double, double, double, double) {
    Document& document = Selected();
    const auto found = document.captures.find(capture);
    if (found == document.captures.end()) return false;
    std::string& page = document.pages[static_cast<std::size_t>(document.page - 1)];
    page.insert(0, "{" + found->second + "}");
    return true;
}

bool FakeEngine::SaveFile(const std::string& file_name) {
    log_.saves.push_back(file_name);
    // As the engine does, a failed save leaves the target as it was.
    if (!log_.fail_save_of.empty() && file_name.find(log_.fail_save_of) != std::string::npos) {
        return false;
    }
    std::ofstream out(file_name, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << FakePdf(Selected().pages);
    return static_cast<bool>(out);
}

CompositionEngineFactory FakeEngineFactory(FakeEngineLog& log) {
    return [&log]() -> std::unique_ptr<CompositionEngine> {
        return std::make_unique<FakeEngine>(log);
    };
}

}  // namespace papyrion::test

namespace papyrion::test {

CliResult RunCli(const RunFolder&, const std::string& xdg_data_home,
                 const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment) {
    std::vector<std::string> command{std::string(PAPYRION_BIN_DIR) + "/papyrion-cli"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ProgramOptions options;
    options.environment.push_back("XDG_DATA_HOME=" + xdg_data_home);
    options.environment.insert(options.environment.end(), environment.begin(), environment.end());
    return RunProgram(command, options);
}

}  // namespace papyrion::test
