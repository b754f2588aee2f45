#pragma once
// Call sequences of the engine facade that several tests (and the fuzz
// target) drive: the stationery stamping as the overlay composition does
// it, and a short open-append-capture-place-save run on arbitrary bytes.

#include <string>
#include <string_view>

namespace papyrion::pdf::testing {

struct StampOptions {
    bool foreground = true;
    // The composition's literal form: the stationery file is opened,
    // appended and captured anew for every page. Otherwise it is captured
    // once and drawn on every page.
    bool append_per_page = false;
    // Gives the layer pages the rotation of the document's page 1.
    bool follow_rotation = false;
};

// Stamps the one-page `stationery` onto every page of the PDF at `path`,
// in place, through the facade as the overlay composition does. False when
// a step that the composition relies on failed.
bool StampThroughFacade(const std::string& path, const std::string& stationery,
                        const StampOptions& options = {});

// Open, append to a new document, capture, place, draw, save to a temporary
// file, extract pages: what the fuzz target runs on every input. Never throws.
void RunFacadeSequence(std::string_view bytes);

}  // namespace papyrion::pdf::testing
