#include "writer/object_reachability.h"

#include <unordered_set>

namespace papyrion::pdf {

std::vector<bool> ReachableObjectNumbers(const TPDFDictionary& trailer, int highest,
                                         std::size_t object_count, const IndirectLoader& load) {
    std::vector<bool> reached(static_cast<std::size_t>(highest < 0 ? 0 : highest) + 1, false);
    // Direct containers may be shared between several parents (or, in a
    // damaged structure, contain themselves); each is looked into only once.
    std::unordered_set<const TPDFObject*> seen_direct;
    // Pages hold a few direct boxes and resource dictionaries each; growing
    // the set step by step costs more than the walk itself.
    seen_direct.reserve(object_count * 4);
    std::vector<const TPDFObject*> pending;

    auto reach = [&](int number) {
        if (number <= 0 || number > highest) return;
        if (reached[static_cast<std::size_t>(number)]) return;
        reached[static_cast<std::size_t>(number)] = true;
        pending.push_back(load(number));
    };
    auto push = [&](const TPDFObject* object) {
        if (object == nullptr) return;
        // An indirect object held in place of its reference is written as one.
        if (object->IsIndirect()) {
            reach(object->ObjectNumber());
            return;
        }
        switch (object->Kind()) {
            case ObjectKind::kIndRef:
                reach(object->As<TPDFIndRef>()->Number());
                return;
            case ObjectKind::kArray:
            case ObjectKind::kDictionary:
            case ObjectKind::kStream:
                if (seen_direct.insert(object).second) pending.push_back(object);
                return;
            default:
                return;
        }
    };

    for (const auto& entry : trailer.Entries()) push(entry.value);
    while (!pending.empty()) {
        const TPDFObject* object = pending.back();
        pending.pop_back();
        if (object == nullptr) continue;
        if (const auto* array = object->As<TPDFArray>()) {
            for (const TPDFObject* item : array->Items()) push(item);
        } else if (const auto* dictionary = object->As<TPDFDictionary>()) {
            for (const auto& entry : dictionary->Entries()) push(entry.value);
        } else if (const auto* stream = object->As<TPDFStream>()) {
            for (const auto& entry : stream->Dictionary().Entries()) push(entry.value);
        }
    }
    return reached;
}

}  // namespace papyrion::pdf
