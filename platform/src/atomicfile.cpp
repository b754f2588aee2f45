#include "platform/atomicfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <random>
#include <string>

namespace papyrion {
namespace {

namespace fs = std::filesystem;

std::error_code LastError() { return {errno, std::generic_category()}; }

bool WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a replacement lands in: the link's target for a symbolic link.
fs::path Destination(const fs::path& target) {
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) return resolved;
    }
    return target;
}

// Opens a new side file beside `target` that no other writer holds: the
// process number keeps processes apart, the counter threads, the random part
// a file left by a process that had the same number before.
int OpenSideFile(const fs::path& target, fs::path& side) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string digits = std::to_string(::getpid()) + std::to_string(counter++) +
                                   std::to_string(random() % 1000000);
        side = target.parent_path() / ("." + target.filename().string() + "." + digits + ".part");
        const int fd = ::open(side.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void SyncFolderOf(const fs::path& file) {
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::error_code Replace(const fs::path& requested, mode_t mode_if_new,
                        const std::function<bool(int)>& fill) {
    const fs::path target = Destination(requested);
    fs::path side;
    const int fd = OpenSideFile(target, side);
    if (fd < 0) return LastError();
    struct stat old_stat {};
    const mode_t mode =
        ::stat(target.c_str(), &old_stat) == 0 ? old_stat.st_mode & 07777 : mode_if_new & 07777;
    bool ok = ::fchmod(fd, mode) == 0;
    ok = ok && fill(fd);
    ok = ok && ::fsync(fd) == 0;
    std::error_code error = ok ? std::error_code() : LastError();
    if (::close(fd) != 0 && !error) error = LastError();
    if (!error && ::rename(side.c_str(), target.c_str()) != 0) error = LastError();
    if (error) {
        ::unlink(side.c_str());
        return error;
    }
    SyncFolderOf(target);
    return {};
}

}  // namespace

std::error_code ReplaceFileContent(const fs::path& target, std::string_view content,
                                   mode_t mode_if_new) {
    return Replace(target, mode_if_new,
                   [content](int fd) { return WriteAll(fd, content.data(), content.size()); });
}

std::error_code ReplaceFileWithCopy(const fs::path& target, const fs::path& source) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return LastError();
    struct stat source_stat {};
    if (::fstat(in, &source_stat) != 0) {
        const std::error_code error = LastError();
        ::close(in);
        return error;
    }
    const std::error_code error = Replace(target, source_stat.st_mode, [in](int fd) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(in, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) return true;
            if (!WriteAll(fd, buffer, static_cast<std::size_t>(n))) return false;
        }
    });
    ::close(in);
    return error;
}

std::error_code RenameDurably(const fs::path& from, const fs::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return LastError();
    SyncFolderOf(to);
    return {};
}

}  // namespace papyrion
