#include "test_kind.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace papyrion::test {

void NoteExternalProgram(std::string_view what) {
    const char* kind = std::getenv("PAPYRION_TEST_KIND");
    if (kind == nullptr || std::string_view(kind) != "unit") return;
    ADD_FAILURE() << "a unit test reaches " << what
                  << "; list its suite among the layer's integration tests (papyrion_add_layer "
                     "INTEGRATION) so that `ctest -L unit` stays fast and self-contained";
}

}  // namespace papyrion::test
