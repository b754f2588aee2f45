#pragma once
// Copying objects from one document's structure into another's. References
// are rewritten through a mapping (object number in the source to object
// number in the destination); the copy never shares an object with the
// source.

#include <functional>

#include "object/pdf_objects.h"
#include "object/pdf_structure.h"

namespace papyrion::pdf {

// Destination number for a source object number; 0 makes the reference a
// null object.
using ReferenceMap = std::function<int(int source_number)>;

// A deep copy of `object` in `target`. Objects nested inside `object` that
// are indirect, and references, become references through `map`. A stream
// is copied with its stored (still encoded) data. Nesting deeper than the
// parser would ever produce is cut off with null.
TPDFObject* CopyObject(const TPDFObject& object, TPDFStructure& target, const ReferenceMap& map);

// Calls `visit` with the number of every reference held in `object`,
// nested arrays and dictionaries included (not following the references).
void ForEachReference(const TPDFObject& object, const std::function<void(int number)>& visit);

}  // namespace papyrion::pdf
