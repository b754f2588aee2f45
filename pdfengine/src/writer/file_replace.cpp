#include "writer/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "crypto/primitives.h"

namespace papyrion::pdf {

namespace {

namespace fs = std::filesystem;

std::string RandomDigits() {
    std::string digits;
    for (char c : crypto::RandomBytes(6)) {
        digits += std::to_string(static_cast<unsigned char>(c));
    }
    return digits;
}

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool ReplaceFile(const fs::path& requested, std::string_view bytes) {
    fs::path target = requested;
    std::error_code ec;
    if (fs::is_symlink(requested, ec)) {
        const fs::path resolved = fs::weakly_canonical(requested, ec);
        if (!ec) target = resolved;
    }
    fs::path side;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        side = target.parent_path() / ("." + target.filename().string() + "." +
                                       std::to_string(::getpid()) + RandomDigits() + ".part");
        fd = ::open(side.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    // A new file gets what the umask allows, as an ordinary create would.
    struct stat old_stat {};
    bool ok = ::stat(target.c_str(), &old_stat) != 0 || ::fchmod(fd, old_stat.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, bytes);
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(side.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(side.c_str());
        return false;
    }
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace papyrion::pdf
