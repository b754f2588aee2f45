#pragma once
// The rendering and printing commands of papyrion-pdf:
//   render FILE PAGE OUT.jpg [--dpi N] [--factor F] [--password P]
//   print FILE PRINTER [--scaling 0|1|2] [--rotate] [--title T]
//         [--pages FIRST-LAST] [--copies N] [--orientation 1|2] [--password P]
//   printers

#include <optional>
#include <string>
#include <vector>

namespace papyrion::app {

// The exit code when `arguments` (without the program name) is one of these
// commands, nullopt otherwise.
std::optional<int> RunRenderPrintCommand(const std::vector<std::string>& arguments);

}  // namespace papyrion::app
