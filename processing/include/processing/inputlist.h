#pragma once
// The input list of a processing run and the ways dropped paths get into it:
// the accepted suffixes, the folder test and the breadth-first expansion of
// dropped folders (shared by the drop window, the configuration window's
// own drop target and papyrion-cli).

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace papyrion {

// The input list holds at most this many entries when folders are expanded
// into it; a drop takes at most this many items.
inline constexpr std::size_t kDropLimit = 9999;

// The endings a dropped file must have (upper-cased path), without a dot:
// "MYPDF" is accepted as well as "a.pdf".
bool IsAcceptedInput(std::string_view path);

// An accepted path that is not a directory. A folder is never an input
// file, whatever its name ends with: taken as a file it would only be
// refused, and its contents would be lost to the scan.
bool IsInputFile(const std::string& path);

// Every temporary file written beside a target starts its name with this,
// so that folder expansion never takes one written by another run.
inline constexpr std::string_view kTemporaryFilePrefix = ".papyrion-";

// A file name (without its folder) this program writes: an output
// ("..._output.pdf", any case), a temporary file (kTemporaryFilePrefix) or
// a hidden side file ".<name>.<number>.part". Folder expansion leaves these
// out; a file named in the drop itself is still taken.
bool IsOwnFileName(std::string_view name);

// An existing directory whose path does not end in "." ("." and ".." never
// pass, nor does any other path ending in a dot).
bool PassesFolderTest(const std::string& path);

// The list of full paths to process, sorted without regard to case and then
// by case. Entries differ exactly: on this platform "A.pdf" and "a.pdf" are
// two files, and a case-blind duplicate test would silently drop one.
class InputList {
  public:
    // Adds the path at its sorted place; false when it is already there.
    bool Add(std::string path);
    // Adds without the duplicate test (the command-line file list).
    void AddUnchecked(std::string path);
    bool Contains(std::string_view path) const;
    void Clear() {
        entries_.clear();
        index_.clear();
    }
    bool Empty() const { return entries_.empty(); }
    std::size_t Size() const { return entries_.size(); }
    const std::string& Front() const { return entries_.front(); }
    // The run removes entry 0 once it is done.
    void RemoveFront();
    // Drops empty entries (before a manual start).
    void RemoveEmpty();
    const std::vector<std::string>& Entries() const { return entries_; }

  private:
    std::vector<std::string> entries_;
    // Counts per path, for a quick duplicate test in folders of thousands.
    std::unordered_multiset<std::string> index_;
};

// Folders waiting to be scanned, first in first out.
using FolderQueue = std::deque<std::string>;

// One dropped path: an accepted path that is not yet listed is added, any
// other path goes through the folder test into the queue.
void AddDroppedPath(InputList& list, FolderQueue& queue, const std::string& path);

// What a drop could not take because of the limit, for the caller to tell.
struct DropFill {
    // Input files left out of the full list (each path counted once): found
    // in folders, or dropped after the first `limit` items.
    std::size_t files_left_out = 0;
    // Dropped folders after the first `limit` items, not scanned.
    std::size_t folders_left_out = 0;
};

// Scans the queued folders breadth first: every entry of a folder, hidden
// ones included, is added when accepted, not one of our own files
// (IsOwnFileName), not yet listed and the list holds fewer than `limit`
// entries; otherwise it goes through the folder test, so subfolders are
// scanned after their parent. A folder reached a second time (through a
// link) is not scanned again, so a link cycle cannot make the expansion
// endless. Unreadable folders are skipped. Returns the number of input
// files left out because the list was full.
std::size_t ExpandFolderQueue(InputList& list, FolderQueue& queue, std::size_t limit = kDropLimit);

// A whole drop: empties the list, takes at most `limit` items in their
// order, then expands the folders found.
DropFill FillFromDrop(InputList& list, const std::vector<std::string>& paths,
                      std::size_t limit = kDropLimit);

}  // namespace papyrion
