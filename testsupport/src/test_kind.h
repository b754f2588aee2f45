#pragma once

#include <string_view>

namespace papyrion::test {

// Fails the running test when CTest runs it as a unit test
// (PAPYRION_TEST_KIND=unit) although it reaches `what`, a program or the
// print queue: such a test belongs to the integration label.
void NoteExternalProgram(std::string_view what);

}  // namespace papyrion::test
