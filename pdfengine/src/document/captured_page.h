#pragma once
// TPDFCapturedPage: a page turned into a form XObject, with what drawing it
// needs. Owned by the document that made it.

#include <cstdint>
#include <string>

namespace papyrion::pdf {

struct TPDFCapturedPage {
    // The handle the facade gives out for it.
    std::uint64_t id = 0;
    // The form XObject stream (an indirect object of the document).
    int form_number = 0;
    int form_generation = 0;
    // "TessaronXO" and eight hexadecimal digits.
    std::string resource_name;
    // The captured box, normalised so that left <= right and bottom <= top.
    double box_width = 0;
    double box_height = 0;
    double box_left = 0;
    double box_bottom = 0;
    // The page's "Rotate" (0, 90, 180, 270): drawing keeps the page turned
    // the way a viewer showed it.
    int rotation = 0;
};

}  // namespace papyrion::pdf
