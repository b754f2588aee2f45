#pragma once
// The sample letterhead the repository ships (data/Sample_Letterhead.pdf):
// one A4 page with a logo of coloured discs, a small raster mark, the
// company name and an address block, drawn with the engine's own drawing
// operations only.

#include <string>

namespace papyrion {

inline constexpr double kA4Width = 595.28;
inline constexpr double kA4Height = 841.89;

// Writes the sample letterhead to `file` (beside it first, then renamed over
// it). `work_folder` takes the small bitmap of the raster mark for the time
// of the call. False when a step fails.
bool WriteSampleLetterhead(const std::string& file, const std::string& work_folder);

}  // namespace papyrion
