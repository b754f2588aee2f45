#include "processing/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/atomicfile.h"

namespace papyrion {
namespace fs = std::filesystem;

namespace {

constexpr const char* kLockName = ".lock";
constexpr std::chrono::minutes kLockGrace{10};

std::string Reason(int error) { return std::strerror(error); }

bool EndsWithNoCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    for (std::size_t i = 0; i < ending.size(); ++i) {
        char a = text[text.size() - ending.size() + i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != ending[i]) return false;
    }
    return true;
}

}  // namespace

SideFolder::SideFolder(const std::string& target) {
    fs::path parent = fs::path(target).parent_path();
    if (parent.empty()) parent = ".";
    std::string pattern = (parent / (std::string(kTemporaryPrefix) + "XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) return;
    folder_ = buffer.data();
    file_ = folder_ + "/out.pdf";
    lock_ = FileLock::Acquire(folder_ + "/" + kLockName);
}

SideFolder::~SideFolder() {
    if (folder_.empty()) return;
    lock_.Release();
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

void SideFolder::RemoveStale(const std::string& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code type_error;
        if (name.rfind(kTemporaryPrefix, 0) != 0 ||
            !fs::is_directory(it->symlink_status(type_error))) {
            continue;
        }
        FileLock::Try result = FileLock::Try::kHeldElsewhere;
        FileLock lock = FileLock::TryAcquire(it->path() / kLockName, result);
        if (result == FileLock::Try::kNoFile) {
            // Made a moment ago by a run that has not locked it yet, or left
            // by one killed in that moment: only an old one is taken as left.
            const auto written = fs::last_write_time(it->path(), type_error);
            if (type_error || fs::file_time_type::clock::now() - written < kLockGrace) continue;
        } else if (result != FileLock::Try::kTaken) {
            continue;
        }
        fs::remove_all(it->path(), type_error);
    }
}

std::optional<FileAccess> AccessOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileAccess{info.st_uid, info.st_gid, static_cast<mode_t>(info.st_mode & 0777)};
}

bool WritableByItsBits(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    if (info.st_uid == ::geteuid()) return (info.st_mode & S_IWUSR) != 0;
    if (info.st_gid == ::getegid()) return (info.st_mode & S_IWGRP) != 0;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    for (int i = 0; i < count; ++i) {
        if (groups[static_cast<std::size_t>(i)] == info.st_gid)
            return (info.st_mode & S_IWGRP) != 0;
    }
    return (info.st_mode & S_IWOTH) != 0;
}

std::string PublishFile(const std::string& side, const std::string& target,
                        const FileAccess& access, bool keep_owner) {
    const int fd = ::open(side.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Reason(errno);
    int failure = 0;
    if (keep_owner && ::fchown(fd, access.owner, access.group) != 0) failure = errno;
    if (failure == 0 && ::fchmod(fd, access.mode) != 0) failure = errno;
    if (failure == 0 && ::fsync(fd) != 0) failure = errno;
    ::close(fd);
    if (failure != 0) return Reason(failure);
    // The new name itself is made durable with its folder.
    if (const std::error_code ec = RenameDurably(side, target)) return Reason(ec.value());
    return std::string();
}

std::string FreeName(const std::string& wanted,
                     const std::function<bool(const std::string&)>& taken) {
    if (!taken(wanted)) return wanted;
    const fs::path path(wanted);
    const std::string name = path.filename().string();
    constexpr std::string_view kOutputEnding = "_output.pdf";
    std::size_t cut = name.rfind('.');
    if (EndsWithNoCase(name, kOutputEnding)) cut = name.size() - kOutputEnding.size();
    if (cut == std::string::npos || cut == 0) cut = name.size();
    const std::string stem = name.substr(0, cut);
    const std::string ending = name.substr(cut);
    for (int n = 2;; ++n) {
        const std::string candidate =
            (path.parent_path() / (stem + " (" + std::to_string(n) + ")" + ending)).string();
        if (!taken(candidate)) return candidate;
    }
}

}  // namespace papyrion
