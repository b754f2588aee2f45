#include "support/run_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace papyrion::test {
namespace fs = std::filesystem;

namespace {
constexpr std::string_view kFakeHeader = "%FAKEPDF";
std::atomic<int> folder_counter{0};
}  // namespace

RunFolder::RunFolder() {
    path_ = fs::temp_directory_path() /
            ("papyrion-run-" + std::to_string(::getpid()) + "-" + std::to_string(folder_counter++) +
             "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this) & 0xffffff));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

RunFolder::~RunFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

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

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

int Shell(const std::string& command, std::string* out) {
    const int status = std::system(command.c_str());
    (void)out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CliResult RunCli(const RunFolder& folder, const std::string& xdg_data_home,
                 const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment) {
    const std::string out = folder / "cli.out";
    const std::string err = folder / "cli.err";
    std::string command = "env XDG_DATA_HOME=" + Quoted(xdg_data_home);
    for (const std::string& setting : environment) command += " " + Quoted(setting);
    command += " " + Quoted(std::string(PAPYRION_BIN_DIR) + "/papyrion-cli");
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    command += " >" + Quoted(out) + " 2>" + Quoted(err) + " </dev/null";
    CliResult result;
    result.exit_code = Shell(command);
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    return result;
}

}  // namespace papyrion::test
