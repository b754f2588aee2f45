#include "processing/inputlist.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <set>
#include <system_error>

namespace papyrion {
namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 11> kAcceptedEndings = {
    "PDF", "DOC", "DOCX", "RTF", "TXT", "ODT", "CSV", "XLS", "XLSX", "XLSB", "ODS"};

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithUpper(std::string_view path, std::string_view ending) {
    if (path.size() < ending.size()) return false;
    const std::string_view tail = path.substr(path.size() - ending.size());
    return std::equal(tail.begin(), tail.end(), ending.begin(),
                      [](char a, char b) { return Upper(a) == b; });
}

// Case-blind first, so the list reads naturally; exact order breaks ties.
bool ListOrder(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (Lower(a[i]) != Lower(b[i])) return Lower(a[i]) < Lower(b[i]);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

bool IsAcceptedInput(std::string_view path) {
    return std::any_of(kAcceptedEndings.begin(), kAcceptedEndings.end(),
                       [path](std::string_view ending) { return EndsWithUpper(path, ending); });
}

bool IsInputFile(const std::string& path) {
    std::error_code ec;
    return IsAcceptedInput(path) && !fs::is_directory(path, ec);
}

bool IsOwnFileName(std::string_view name) {
    if (name.starts_with(kTemporaryFilePrefix)) return true;
    constexpr std::string_view kOutputEnding = "_OUTPUT.PDF";
    if (EndsWithUpper(name, kOutputEnding)) return true;
    // ".<name>.<number>.part": the side file an output is written to first.
    constexpr std::string_view kPartEnding = ".part";
    if (name.size() < 2 || name.front() != '.' || !name.ends_with(kPartEnding)) return false;
    std::string_view rest = name.substr(1, name.size() - 1 - kPartEnding.size());
    std::size_t digits = 0;
    while (digits < rest.size() && IsDigit(rest[rest.size() - 1 - digits])) ++digits;
    rest.remove_suffix(digits);
    return digits > 0 && rest.size() >= 2 && rest.back() == '.';
}

bool PassesFolderTest(const std::string& path) {
    if (path.empty() || path.back() == '.') return false;
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool InputList::Add(std::string path) {
    if (Contains(path)) return false;
    AddUnchecked(std::move(path));
    return true;
}

void InputList::AddUnchecked(std::string path) {
    const auto at = std::upper_bound(
        entries_.begin(), entries_.end(), path,
        [](const std::string& a, const std::string& b) { return ListOrder(a, b); });
    index_.insert(path);
    entries_.insert(at, std::move(path));
}

bool InputList::Contains(std::string_view path) const {
    return index_.count(std::string(path)) != 0;
}

void InputList::RemoveFront() {
    index_.erase(index_.find(entries_.front()));
    entries_.erase(entries_.begin());
}

void InputList::RemoveEmpty() {
    std::erase_if(entries_, [](const std::string& entry) { return entry.empty(); });
    index_.erase(std::string());
}

void AddDroppedPath(InputList& list, FolderQueue& queue, const std::string& path) {
    if (IsInputFile(path) && !list.Contains(path)) {
        list.Add(path);
    } else if (PassesFolderTest(path)) {
        queue.push_back(path);
    }
}

namespace {

// The expansion; the paths of input files it could not add go to `left_out`.
void Expand(InputList& list, FolderQueue& queue, std::size_t limit,
            std::set<std::string>& left_out) {
    std::set<fs::path> scanned;
    while (!queue.empty()) {
        const std::string folder = queue.front();
        queue.pop_front();
        std::error_code ec;
        const fs::path identity = fs::canonical(folder, ec);
        if (ec || !scanned.insert(identity).second) continue;

        // The directory's own order is arbitrary; by name the limit cuts the
        // same files every time.
        std::vector<std::string> names{".", ".."};
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            names.push_back(it->path().filename().string());
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::string path = JoinPath(folder, name);
            if (!list.Contains(path) && !IsOwnFileName(name) && IsInputFile(path)) {
                if (list.Size() < limit) {
                    list.Add(path);
                } else {
                    left_out.insert(path);
                }
            } else if (PassesFolderTest(path)) {
                queue.push_back(path);
            }
        }
    }
}

}  // namespace

std::size_t ExpandFolderQueue(InputList& list, FolderQueue& queue, std::size_t limit) {
    std::set<std::string> left_out;
    Expand(list, queue, limit, left_out);
    return left_out.size();
}

DropFill FillFromDrop(InputList& list, const std::vector<std::string>& paths, std::size_t limit) {
    list.Clear();
    FolderQueue queue;
    const std::size_t taken = std::min(paths.size(), limit);
    for (std::size_t i = 0; i < taken; ++i) AddDroppedPath(list, queue, paths[i]);

    std::set<std::string> left_out;
    Expand(list, queue, limit, left_out);

    // Items after the limit: a file the expansion found anyway is not lost.
    DropFill fill;
    for (std::size_t i = taken; i < paths.size(); ++i) {
        if (IsInputFile(paths[i])) {
            if (!list.Contains(paths[i])) left_out.insert(paths[i]);
        } else if (PassesFolderTest(paths[i])) {
            ++fill.folders_left_out;
        }
    }
    fill.files_left_out = left_out.size();
    return fill;
}

}  // namespace papyrion
