#pragma once
// The composition's engine operations bound to the PDF engine facade, and
// the page files of the stationery cut with it.

#include <string>

#include "processing/composition_engine.h"

namespace papyrion {

// A factory that makes one facade engine per task.
CompositionEngineFactory MakePdfEngineFactory();

// Writes page `page` of the PDF `source` as a single-page PDF to `target`
// (beside it first, then renamed over it). The page is clamped to the
// source's pages. False when the source cannot be read or the file cannot
// be written.
bool ExtractSinglePage(const std::string& source, int page, const std::string& target);

}  // namespace papyrion
