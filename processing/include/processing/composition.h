#pragma once
// Turning one PDF into the stamped result: CopyInToOut writes the input, as
// re-saved by the PDF engine, to the output path (or into the archive folder)
// and counts the usage statistics; ComposeStationery then lays the letterhead
// page and the continuation page over or under the pages the page rules
// select, in place.
//
// Every file appears complete under its name: the engine writes beside the
// target and the finished file is renamed over it, so a failure leaves the
// previous file (or none), never a half-written one.

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

struct CopyResult {
    // The output is complete under `output`. False when the input is missing
    // or cannot be read as a PDF, or the output cannot be written; the user
    // has been told why, naming the file.
    bool written = false;
    std::string output;  // the path actually written (the archive may move it)
    int pages = 0;
};

// The captions of the two statistics labels, fixed Dutch texts.
std::string FilesCreatedCaption(long long files);
std::string PagesCreatedCaption(long long pages);

// The target of an output in the archive folder: the folder and the output's
// file name.
std::string ArchiveTarget(const std::string& archive_folder, const std::string& output);

// A free name beside `target` for the file that is renamed over it.
std::string SidePath(const std::string& target);

class StationeryComposition {
  public:
    explicit StationeryComposition(CompositionServices services);
    virtual ~StationeryComposition() = default;

    virtual CopyResult CopyInToOut(const std::string& input, const std::string& output);

    // Rewrites the PDF at `output` with the stationery. Reads the two modes
    // and the placement from the settings now, and switches a mode to "Geen"
    // when its page file does not exist. Each stationery page file is read
    // and captured once and drawn on every page that gets it. False (with a
    // message naming the file) when a step fails; `output` is then left as
    // it was.
    virtual bool ComposeStationery(const std::string& letterhead_page_file,
                                   const std::string& letterhead_rule_text,
                                   const std::string& continuation_page_file,
                                   const std::string& continuation_rule_text,
                                   const std::string& output);

    // Hook for the activity bar; the run sets it.
    void SetActivityTick(std::function<void()> tick) { tick_ = std::move(tick); }

  private:
    std::string Text(std::string_view keyword, std::string_view fallback) const;
    bool Fail(const std::string& message);
    bool SaveBeside(CompositionEngine& engine, const std::string& target);

    CompositionServices services_;
    std::function<void()> tick_;
};

}  // namespace papyrion
