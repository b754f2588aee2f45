#pragma once
// How a run gets its mail composition: the desktop's mail composer writing
// its attachment copies and over-long bodies into TEMPDIR, and the services
// taken from the run state and the translation table.

#include <memory>

#include "core/runstate.h"
#include "core/translation.h"
#include "delivery/mailcomposition.h"
#include "platform/mailcomposer.h"

namespace papyrion {

std::unique_ptr<MailComposer> MakeDesktopMailComposer(const RunState& run);

// `run`, `table`, `ui` and `composer` must outlive the composition.
MailCompositionServices MailServicesOf(RunState& run, TranslationTable& table, UserInterface& ui,
                                       MailComposer& composer);

}  // namespace papyrion
