#pragma once
// The services a composition or run test needs: a settings model over a
// settings file of the test's own folder, an event log that writes, a
// recording user interface and the stand-in engine.

#include <memory>
#include <string>
#include <vector>

#include "core/eventlog.h"
#include "core/settings.h"
#include "core/userinterface.h"
#include "processing/composition.h"
#include "support/run_test_support.h"

namespace papyrion::test {

// Translations show as "[keyword]" so tests can see which text was used.
std::string BracketTranslate(std::string_view keyword);

class CompositionFixture {
  public:
    CompositionFixture();

    // The codes of the event-log entries written so far, in order.
    std::vector<std::string> LogCodes() const;
    // The text field of the entries with this code.
    std::vector<std::string> LogTexts(std::string_view code) const;
    std::vector<std::string> Messages() const;

    RunFolder folder;
    std::string data_dir;
    SettingsModel settings;
    EventLog log;
    RecordingUserInterface ui;
    FakeEngineLog engine_log;
    StationeryComposition composition;
};

}  // namespace papyrion::test
