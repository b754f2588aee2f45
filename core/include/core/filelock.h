#pragma once
// An exclusive advisory lock (flock) on a file, held for the life of the
// object. Processes that share a data folder use it to take turns; the lock
// goes with the process, so a crashed holder never leaves it taken.

#include <filesystem>

namespace papyrion {

class FileLock {
  public:
    enum class Try { kTaken, kHeldElsewhere, kNoFile };

    // Waits until the lock on `file` is free and takes it, creating the file
    // when missing. When the file cannot be opened (a folder that cannot be
    // written) the object holds nothing; see Held().
    static FileLock Acquire(const std::filesystem::path& file);

    // Takes the lock only when no one holds it, without waiting and without
    // creating the file. `result` tells which case it was; a lock that cannot
    // be checked (no right to open the file) counts as held elsewhere.
    static FileLock TryAcquire(const std::filesystem::path& file, Try& result);

    FileLock() = default;
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    bool Held() const { return fd_ >= 0; }
    void Release();

  private:
    explicit FileLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace papyrion
