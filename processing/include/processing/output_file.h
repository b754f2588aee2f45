#pragma once
// Putting a finished output under its name. The result is written into a
// private hidden folder beside its target (mode 0700, so nothing of it can be
// read before it has its final permissions), given the input's permission
// bits, flushed to disk, and renamed to its name in one step: the name
// appears once, complete, or not at all. A run killed half-way leaves only
// the hidden folder, whose ".papyrion-" prefix no folder scan takes as input
// and which a later run removes (the folder's lock tells a live one).

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/filelock.h"

namespace papyrion {

// Every temporary file or folder the run makes beside a user's file starts so.
inline constexpr std::string_view kTemporaryPrefix = ".papyrion-";

class SideFolder {
  public:
    // Makes the folder beside `target`; Ok() tells whether that worked.
    explicit SideFolder(const std::string& target);
    ~SideFolder();
    SideFolder(const SideFolder&) = delete;
    SideFolder& operator=(const SideFolder&) = delete;

    bool Ok() const { return !folder_.empty(); }
    // The file to write the result to (short: long input names stay usable).
    const std::string& File() const { return file_; }

    // Removes the side folders in `folder` that no living process holds.
    static void RemoveStale(const std::string& folder);

  private:
    std::string folder_;
    std::string file_;
    FileLock lock_;
};

// The owner, group and permission bits an output takes over.
struct FileAccess {
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0;
};
std::optional<FileAccess> AccessOf(const std::string& path);

// Whether the permission bits let the calling user write `path` (its class
// of owner, group or others); root is held to the bits too, so a read-only
// file stays read-only for every user.
bool WritableByItsBits(const std::string& path);

// Gives `side` the permission bits of `access` (and its owner and group when
// `keep_owner`), flushes it, and renames it to `target`. "" on success, else
// the reason.
std::string PublishFile(const std::string& side, const std::string& target,
                        const FileAccess& access, bool keep_owner);

// `wanted`, or when `taken` says it is taken, the first of "stem (2).ext",
// "stem (3).ext"... that is not; an "_output.pdf" ending stays the ending.
std::string FreeName(const std::string& wanted,
                     const std::function<bool(const std::string&)>& taken);

}  // namespace papyrion
