#include "core/filelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace papyrion {
namespace {

// flock with retries when a signal interrupts the wait.
int LockRetrying(int fd, int operation) {
    int result = 0;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

}  // namespace

FileLock FileLock::Acquire(const std::filesystem::path& file) {
    // Close-on-exec: a converter or mail program started by this process
    // must not keep the lock alive after the process has ended.
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return FileLock();
    if (LockRetrying(fd, LOCK_EX) != 0) {
        close(fd);
        return FileLock();
    }
    return FileLock(fd);
}

FileLock FileLock::TryAcquire(const std::filesystem::path& file, Try& result) {
    const int fd = open(file.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        result = errno == ENOENT ? Try::kNoFile : Try::kHeldElsewhere;
        return FileLock();
    }
    if (LockRetrying(fd, LOCK_EX | LOCK_NB) != 0) {
        result = Try::kHeldElsewhere;
        close(fd);
        return FileLock();
    }
    result = Try::kTaken;
    return FileLock(fd);
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FileLock::~FileLock() { Release(); }

void FileLock::Release() {
    // Closing the only descriptor of the open file drops the lock.
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

}  // namespace papyrion
