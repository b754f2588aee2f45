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

void InputList::ReplaceFront(std::string path) {
    index_.erase(index_.find(entries_.front()));
    index_.insert(path);
    entries_.front() = std::move(path);
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

void ExpandFolderQueue(InputList& list, FolderQueue& queue) {
    std::set<fs::path> scanned;
    while (!queue.empty()) {
        const std::string folder = queue.front();
        queue.pop_front();
        std::error_code ec;
        const fs::path identity = fs::canonical(folder, ec);
        if (ec || !scanned.insert(identity).second) continue;

        // The directory's own order is arbitrary; by name the 9999 limit
        // cuts the same files every time.
        std::vector<std::string> names{".", ".."};
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            names.push_back(it->path().filename().string());
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::string path = JoinPath(folder, name);
            if (!list.Contains(path) && IsInputFile(path) && list.Size() < kDropLimit) {
                list.Add(path);
            } else if (PassesFolderTest(path)) {
                queue.push_back(path);
            }
        }
    }
}

void FillFromDrop(InputList& list, const std::vector<std::string>& paths) {
    list.Clear();
    FolderQueue queue;
    const std::size_t taken = std::min(paths.size(), kDropLimit);
    for (std::size_t i = 0; i < taken; ++i) AddDroppedPath(list, queue, paths[i]);
    ExpandFolderQueue(list, queue);
}

}  // namespace papyrion
