#include "platform/mailcomposer_linux.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "platform/childprocess.h"
#include "platform/mailcomposer_forms.h"

namespace papyrion {

struct LinuxMailComposer::Route {
    enum class Kind { kNone, kCommand, kXdgEmail, kThunderbird, kEvolution };
    Kind kind = Kind::kNone;
    std::vector<std::string> command;  // program and its fixed arguments
    std::string profile;
    bool reachable = false;
};

namespace {

constexpr std::string_view kMailCommandVariable = "PAPYRION_MAIL_COMMAND";
constexpr std::string_view kLongBodyFileName = "Message.txt";
constexpr std::string_view kCutMark = "[...]\n";

std::string TrimmedLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

std::vector<std::string> SplitColonList(const std::string& list) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) items.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

std::string DesktopEntryExec(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    bool in_main_group = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            in_main_group = line == "[Desktop Entry]";
        } else if (in_main_group && line.rfind("Exec", 0) == 0) {
            std::size_t eq = line.find('=');
            if (eq != std::string::npos && line.find_first_not_of(' ', 4) == eq) {
                std::size_t start = line.find_first_not_of(' ', eq + 1);
                return start == std::string::npos ? std::string() : line.substr(start);
            }
        }
    }
    return {};
}

constexpr std::string_view kSpillPrefix = "mail-";
// Mail programs may read an attachment only when the message is sent, so a
// folder of copies stays for a day before a later message clears it away.
constexpr auto kSpillLifetime = std::chrono::hours(24);

void RemoveOldSpillFolders(const std::filesystem::path& parent) {
    std::error_code ec;
    const auto now = std::filesystem::file_time_type::clock::now();
    for (std::filesystem::directory_iterator it(parent, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(kSpillPrefix, 0) != 0 || !it->is_directory(ec)) continue;
        auto written = std::filesystem::last_write_time(it->path(), ec);
        if (!ec && now - written > kSpillLifetime) {
            std::error_code ignored;
            std::filesystem::remove_all(it->path(), ignored);
        }
    }
}

std::filesystem::path MakeUniqueFolder(const std::filesystem::path& parent) {
    std::filesystem::create_directories(parent);
    std::string pattern = (parent / (std::string(kSpillPrefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(),
                                "Unable to create a folder in " + parent.string());
    }
    return pattern;
}

}  // namespace

LinuxMailComposer::LinuxMailComposer(LinuxMailComposerOptions options)
    : options_(std::move(options)) {}

LinuxMailComposer::~LinuxMailComposer() { ReapFinishedChildren(running_); }

std::optional<std::string> LinuxMailComposer::Variable(std::string_view name) const {
    for (const auto& [key, value] : options_.environment) {
        if (key == name) {
            if (value.empty()) return std::nullopt;
            return value;
        }
    }
    const char* value = std::getenv(std::string(name).c_str());
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

std::optional<std::filesystem::path> LinuxMailComposer::FindDesktopEntry(
    const std::string& id) const {
    std::vector<std::string> dirs;
    if (auto home = Variable("XDG_DATA_HOME")) {
        dirs.push_back(*home);
    } else if (auto user_home = Variable("HOME")) {
        dirs.push_back(*user_home + "/.local/share");
    }
    auto data_dirs =
        SplitColonList(Variable("XDG_DATA_DIRS").value_or("/usr/local/share:/usr/share"));
    dirs.insert(dirs.end(), data_dirs.begin(), data_dirs.end());

    std::vector<std::string> names{id};
    if (auto dash = id.find('-'); dash != std::string::npos) {
        names.push_back(id.substr(0, dash) + "/" + id.substr(dash + 1));
    }
    for (const auto& dir : dirs) {
        for (const auto& name : names) {
            std::filesystem::path candidate = std::filesystem::path(dir) / "applications" / name;
            std::error_code ec;
            if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
        }
    }
    return std::nullopt;
}

LinuxMailComposer::Route LinuxMailComposer::FindRoute() {
    Route route;
    if (auto command = Variable(kMailCommandVariable)) {
        route.kind = Route::Kind::kCommand;
        route.command = {*command};
        route.profile = *command;
        route.reachable = true;
        return route;
    }
    const std::string path = EffectivePath(options_.environment);
    if (!FindProgram("xdg-email", path)) return route;

    route.kind = Route::Kind::kXdgEmail;
    route.command = {"xdg-email"};
    route.reachable = true;
    if (auto mailer = Variable("MAILER")) {
        // xdg-email gives the link to $MAILER before asking the desktop.
        route.profile = *mailer;
        return route;
    }

    ChildCommand query;
    query.program = "xdg-mime";
    query.arguments = {"query", "default", "x-scheme-handler/mailto"};
    query.environment = options_.environment;
    query.capture_output = true;
    query.wait_limit = std::chrono::seconds(10);
    ChildResult answer = RunChild(query);
    std::string id = answer.status == ChildResult::Status::kExited && answer.exit_code == 0
                         ? TrimmedLine(answer.output)
                         : std::string();
    if (id.empty()) {
        // KDE and Xfce keep the preferred mail program in their own settings,
        // which xdg-email consults; elsewhere no handler means no mail program.
        std::string desktop = Variable("XDG_CURRENT_DESKTOP").value_or("");
        if (desktop.find("KDE") != std::string::npos || desktop.find("XFCE") != std::string::npos) {
            route.profile = desktop;
            return route;
        }
        return Route{};
    }
    route.profile = id;

    auto entry = FindDesktopEntry(id);
    if (!entry) {
        route.reachable = false;
        return route;
    }
    std::vector<std::string> words = DesktopExecWords(DesktopEntryExec(*entry));
    route.reachable = !words.empty() && FindProgram(words.front(), path).has_value();
    switch (ClassifyMailProgram(id, words)) {
        case MailProgram::kThunderbird:
            route.kind = Route::Kind::kThunderbird;
            route.command = words;
            break;
        case MailProgram::kEvolution:
            route.kind = Route::Kind::kEvolution;
            route.command = words;
            break;
        case MailProgram::kOther:
            break;
    }
    return route;
}

MailProfile LinuxMailComposer::DefaultProfile() {
    Route route = FindRoute();
    return MailProfile{route.kind != Route::Kind::kNone, route.profile};
}

bool LinuxMailComposer::Logon(const std::string& profile) {
    Route route = FindRoute();
    return route.kind != Route::Kind::kNone && route.profile == profile && route.reachable;
}

MailDraft LinuxMailComposer::Staged(const MailDraft& draft) {
    const std::filesystem::path spill = options_.spill_folder.empty()
                                            ? std::filesystem::temp_directory_path()
                                            : options_.spill_folder;
    std::optional<std::filesystem::path> folder;
    auto own_folder = [&]() -> const std::filesystem::path& {
        if (!folder) {
            RemoveOldSpillFolders(spill);
            folder = MakeUniqueFolder(spill);
        }
        return *folder;
    };

    MailDraft staged = draft;
    for (auto& attachment : staged.attachments) {
        attachment.path = std::filesystem::absolute(attachment.path);
        std::string name = attachment.display_name;
        attachment.display_name.clear();
        std::replace(name.begin(), name.end(), '/', '_');
        if (name.empty() || name == "." || name == ".." ||
            name == attachment.path.filename().string()) {
            continue;
        }
        // Mail programs show an attachment under its file name: a display
        // name becomes a link (or a copy, across file systems) of that name.
        std::filesystem::path shown = own_folder() / name;
        if (std::filesystem::exists(shown)) {
            shown = MakeUniqueFolder(spill) / name;
        }
        std::error_code ec;
        std::filesystem::create_hard_link(attachment.path, shown, ec);
        if (ec) std::filesystem::copy_file(attachment.path, shown);
        attachment.path = shown;
    }

    if (ComposerTextSize(staged) > kComposerTextLimit) {
        // Too long for one command line: the whole text goes along as a text
        // file, and the body keeps the lines that fit and a mark that it goes on.
        std::filesystem::path text_file = own_folder() / kLongBodyFileName;
        {
            std::ofstream out(text_file, std::ios::binary);
            out << draft.body;
            if (!out) throw std::runtime_error("Unable to write to " + text_file.string());
        }
        staged.attachments.push_back(MailAttachment{text_file, {}});
        std::string full_body = std::move(staged.body);
        staged.body.clear();
        std::size_t rest = ComposerTextSize(staged) + 3 * kCutMark.size();
        std::size_t budget = rest < kComposerTextLimit ? kComposerTextLimit - rest : 0;
        staged.body = LeadingLinesWithin(full_body, budget) + std::string(kCutMark);
    }
    return staged;
}

ComposeOutcome LinuxMailComposer::Compose(const MailDraft& draft) {
    ReapFinishedChildren(running_);
    Route route = FindRoute();
    if (route.kind == Route::Kind::kNone) return ComposeOutcome::kNoComposer;

    for (const auto& attachment : draft.attachments) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(attachment.path, ec)) {
            return ComposeOutcome::kAttachmentMissing;
        }
        if (::access(attachment.path.c_str(), R_OK) != 0) {
            return ComposeOutcome::kAttachmentUnreadable;
        }
    }

    MailDraft staged;
    try {
        staged = Staged(draft);
    } catch (const std::exception&) {
        return ComposeOutcome::kComposerFailed;
    }

    ChildCommand run;
    run.environment = options_.environment;
    run.wait_limit = options_.wait_limit;
    run.on_timeout = ChildCommand::OnTimeout::kLeaveRunning;
    run.program = route.command.front();
    run.arguments.assign(route.command.begin() + 1, route.command.end());
    switch (route.kind) {
        case Route::Kind::kCommand:
            run.arguments = XdgEmailArguments(staged);
            break;
        case Route::Kind::kXdgEmail:
            run.arguments = XdgEmailArgumentsWithoutBackslashes(staged);
            break;
        case Route::Kind::kThunderbird:
            run.arguments.push_back("-compose");
            run.arguments.push_back(ThunderbirdComposeArgument(staged));
            break;
        case Route::Kind::kEvolution:
            run.arguments.push_back(EvolutionMailtoUri(staged));
            break;
        case Route::Kind::kNone:
            return ComposeOutcome::kNoComposer;
    }

    ChildResult result = RunChild(run);
    switch (result.status) {
        case ChildResult::Status::kNotFound:
        case ChildResult::Status::kStartFailed:
            return ComposeOutcome::kStartFailed;
        case ChildResult::Status::kStillRunning:
            running_.push_back(result.pid);
            return ComposeOutcome::kHandedOver;
        case ChildResult::Status::kExited:
            if (route.kind == Route::Kind::kThunderbird || route.kind == Route::Kind::kEvolution) {
                return result.exit_code == 0 ? ComposeOutcome::kHandedOver
                                             : ComposeOutcome::kComposerFailed;
            }
            return OutcomeOfXdgEmailExit(result.exit_code);
        case ChildResult::Status::kSignalled:
        case ChildResult::Status::kKilled:
            break;
    }
    return ComposeOutcome::kComposerFailed;
}

}  // namespace papyrion
