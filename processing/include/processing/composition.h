#pragma once
// Turning one PDF into the stamped result: the input is read once, the
// letterhead page and the continuation page are laid over or under the pages
// the page rules select, and the result is written in one save.
//
// The engine writes beside the target and renames the finished file over it,
// so a failure leaves the previous file (or none), never a half-written one.
// Naming, placing and counting the output are the run's.

#include <string>

#include "core/eventlog.h"
#include "core/settings.h"
#include "core/userinterface.h"
#include "processing/composition_engine.h"

namespace papyrion {

struct CompositionServices {
    SettingsModel& settings;  // modes, placement, archive, statistics
    EventLog& log;
    UserInterface& ui;
    TranslateFn translate;
    CompositionEngineFactory make_engine;
};

// What to stamp a document with: the single-page files of the letterhead and
// the continuation paper and the rule texts of the pages that get them.
struct StationeryPages {
    std::string letterhead_page_file;
    std::string letterhead_rule;
    std::string continuation_page_file;
    std::string continuation_rule;
};

struct ComposeResult {
    // The result is complete at the target. When false, `failure` says why,
    // naming the file, and nothing was written.
    bool written = false;
    std::string failure;
    int pages = 0;
};

// The captions of the two statistics labels, fixed Dutch texts.
std::string FilesCreatedCaption(long long files);
std::string PagesCreatedCaption(long long pages);

// The target of an output in the archive folder: the folder and the output's
// file name.
std::string ArchiveTarget(const std::string& archive_folder, const std::string& output);

class StationeryComposition {
  public:
    explicit StationeryComposition(CompositionServices services);
    virtual ~StationeryComposition() = default;

    // Reads `input` (opened with `password` when it is encrypted) and writes
    // it to `target`, with the stationery laid over or under its pages when
    // `stationery` is given. The two modes and the placement are read from
    // the settings now; a mode whose page file does not exist is switched to
    // "Geen". Each stationery page file is read and captured once and drawn
    // on every page that gets it. `target` may be `input` itself: the engine
    // holds the whole input before it writes.
    virtual ComposeResult Compose(const std::string& input, const std::string& password,
                                  const StationeryPages* stationery, const std::string& target);

    // Hook for the activity bar; the run sets it.
    void SetActivityTick(std::function<void()> tick) { tick_ = std::move(tick); }

  private:
    std::string Text(std::string_view keyword, std::string_view fallback) const;
    std::string Unreadable(const std::string& input, const std::string& password,
                           int engine_error) const;
    std::string Stamp(CompositionEngine& engine, const StationeryPages& stationery,
                      const std::string& input);

    CompositionServices services_;
    std::function<void()> tick_;
};

}  // namespace papyrion
