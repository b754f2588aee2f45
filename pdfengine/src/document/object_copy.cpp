#include "document/object_copy.h"

namespace papyrion::pdf {

namespace {

// The parser never nests deeper than 256; anything deeper was built in code
// with a cycle.
constexpr int kMaxCopyDepth = 300;

TPDFObject* Copy(const TPDFObject& object, TPDFStructure& target, const ReferenceMap& map,
                 int depth, bool top) {
    if (!top && object.IsIndirect()) {
        const int number = map(object.ObjectNumber());
        return number > 0 ? target.MakeReference(number, 0)
                          : static_cast<TPDFObject*>(target.MakeNull());
    }
    if (depth > kMaxCopyDepth) return target.MakeNull();
    switch (object.Kind()) {
        case ObjectKind::kBoolean:
            return target.MakeBoolean(static_cast<const TPDFBoolean&>(object).Value());
        case ObjectKind::kNumeric:
            return target.MakeNumeric(static_cast<const TPDFNumeric&>(object).Value());
        case ObjectKind::kString: {
            const auto& string = static_cast<const TPDFString&>(object);
            return target.MakeString(string.Bytes(), string.Mode());
        }
        case ObjectKind::kName:
            return target.MakeName(static_cast<const TPDFName&>(object).Bytes());
        case ObjectKind::kIndRef: {
            const int number = map(static_cast<const TPDFIndRef&>(object).Number());
            return number > 0 ? target.MakeReference(number, 0)
                              : static_cast<TPDFObject*>(target.MakeNull());
        }
        case ObjectKind::kNull:
            return target.MakeNull();
        case ObjectKind::kArray: {
            TPDFArray* copy = target.MakeArray();
            for (const TPDFObject* item : static_cast<const TPDFArray&>(object).Items()) {
                copy->Append(item != nullptr ? Copy(*item, target, map, depth + 1, false)
                                             : target.MakeNull());
            }
            return copy;
        }
        case ObjectKind::kDictionary: {
            TPDFDictionary* copy = target.MakeDictionary();
            for (const auto& entry : static_cast<const TPDFDictionary&>(object).Entries()) {
                if (entry.value == nullptr) continue;
                copy->Set(entry.key, Copy(*entry.value, target, map, depth + 1, false));
            }
            return copy;
        }
        case ObjectKind::kStream: {
            const auto& stream = static_cast<const TPDFStream&>(object);
            if (!top) return target.MakeNull();
            auto* dictionary =
                Copy(stream.Dictionary(), target, map, depth + 1, true)->As<TPDFDictionary>();
            return target.MakeStream(stream.Data(), dictionary);
        }
    }
    return target.MakeNull();
}

void Visit(const TPDFObject& object, const std::function<void(int)>& visit, int depth) {
    if (depth > kMaxCopyDepth) return;
    if (depth > 0 && object.IsIndirect()) {
        visit(object.ObjectNumber());
        return;
    }
    switch (object.Kind()) {
        case ObjectKind::kIndRef:
            visit(static_cast<const TPDFIndRef&>(object).Number());
            break;
        case ObjectKind::kArray:
            for (const TPDFObject* item : static_cast<const TPDFArray&>(object).Items()) {
                if (item != nullptr) Visit(*item, visit, depth + 1);
            }
            break;
        case ObjectKind::kDictionary:
            for (const auto& entry : static_cast<const TPDFDictionary&>(object).Entries()) {
                if (entry.value != nullptr) Visit(*entry.value, visit, depth + 1);
            }
            break;
        case ObjectKind::kStream:
            Visit(static_cast<const TPDFStream&>(object).Dictionary(), visit, depth + 1);
            break;
        default:
            break;
    }
}

}  // namespace

TPDFObject* CopyObject(const TPDFObject& object, TPDFStructure& target, const ReferenceMap& map) {
    return Copy(object, target, map, 0, true);
}

void ForEachReference(const TPDFObject& object, const std::function<void(int)>& visit) {
    Visit(object, visit, 0);
}

}  // namespace papyrion::pdf
