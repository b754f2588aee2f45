#include "document/page_lookup.h"

#include <unordered_set>

#include "object/pdf_keys.h"

namespace papyrion::pdf {

namespace {

// Page trees are shallow; a longer "Parent" chain is a loop.
constexpr int kMaxParentSteps = 256;

bool IsPagesNode(const TPDFDictionary& node) {
    return node.HasName(key::kType, name::kPages) || node.TryArray(page_key::kKids) != nullptr;
}

std::optional<PdfBox> BoxOf(const TPDFDictionary& dictionary) {
    const TPDFArray* array = dictionary.TryArray(page_key::kMediaBox);
    if (array == nullptr || array->Size() < 4) return std::nullopt;
    PdfBox box{};
    for (std::size_t i = 0; i < 4; ++i) {
        auto value = array->TryNumber(i);
        if (!value) return std::nullopt;
        box[i] = *value;
    }
    return box;
}

}  // namespace

std::vector<TPDFDictionary*> CollectPages(TPDFDocument& document, std::size_t limit) {
    std::vector<TPDFDictionary*> pages;
    TPDFDictionary* catalog = document.Catalog();
    TPDFDictionary* root = catalog != nullptr ? catalog->TryDictionary(page_key::kPages) : nullptr;
    if (root == nullptr || limit == 0) return pages;
    std::unordered_set<const TPDFDictionary*> visited_nodes;
    std::vector<TPDFDictionary*> stack{root};
    while (!stack.empty()) {
        TPDFDictionary* node = stack.back();
        stack.pop_back();
        if (!IsPagesNode(*node)) {
            pages.push_back(node);
            if (pages.size() == limit) break;
            continue;
        }
        if (!visited_nodes.insert(node).second) continue;
        const TPDFArray* kids = node->TryArray(page_key::kKids);
        if (kids == nullptr) continue;
        for (std::size_t i = kids->Size(); i-- > 0;) {
            TPDFObject* kid = kids->Resolve(i);
            if (auto* dictionary = kid != nullptr ? kid->As<TPDFDictionary>() : nullptr) {
                stack.push_back(dictionary);
            }
        }
    }
    return pages;
}

std::optional<PdfBox> InheritedMediaBox(const TPDFDictionary& page) {
    const TPDFDictionary* node = &page;
    for (int step = 0; node != nullptr && step < kMaxParentSteps; ++step) {
        if (auto box = BoxOf(*node)) return box;
        node = node->TryDictionary(page_key::kParent);
    }
    return std::nullopt;
}

}  // namespace papyrion::pdf
