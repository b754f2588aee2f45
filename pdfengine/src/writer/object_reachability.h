#pragma once
// Which indirect objects a written file needs: those the trailer leads to,
// directly or through any chain of references. Everything else (pages taken
// out of the tree, replaced content, orphans of an incremental update) is
// dead weight in the output.

#include <cstddef>
#include <functional>
#include <vector>

#include "object/pdf_objects.h"

namespace papyrion::pdf {

// Gives the parsed object with this number, or nullptr when there is none.
using IndirectLoader = std::function<TPDFObject*(int number)>;

// One flag per object number 0..highest; true where the object is reachable
// from an entry of `trailer`. Walks with an explicit stack and visits every
// object once, so deep chains and reference cycles cost no more than the
// objects themselves. References to numbers above `highest` are ignored;
// `object_count` (how many objects there are) only sizes the bookkeeping.
std::vector<bool> ReachableObjectNumbers(const TPDFDictionary& trailer, int highest,
                                         std::size_t object_count, const IndirectLoader& load);

}  // namespace papyrion::pdf
