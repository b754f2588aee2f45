// Merging one document into another and copying listed pages into a new one.

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "document/object_copy.h"
#include "document/page_lookup.h"
#include "document/page_operations.h"
#include "object/pdf_keys.h"

namespace papyrion::pdf {

namespace {

constexpr std::string_view kAcroForm = "AcroForm";
constexpr std::string_view kFields = "Fields";
constexpr std::string_view kNeedAppearances = "NeedAppearances";
constexpr std::string_view kCalculationOrder = "CO";
constexpr std::string_view kDefaultResources = "DR";
constexpr std::string_view kFont = "Font";

int Identity(int number) { return number; }

TPDFArray* DefaultMediaBox(TPDFStructure& s) {
    TPDFArray* box = s.MakeArray();
    for (double v : {0.0, 0.0, 612.0, 792.0}) box->Append(s.MakeNumeric(v));
    return box;
}

// The stored (unresolved) value of `key` on the nearest ancestor of `page`
// that has it; nullptr when none has it.
TPDFObject* StoredInheritedValue(const TPDFDictionary& page, std::string_view key) {
    constexpr int kMaxParentSteps = 256;
    const TPDFDictionary* node = page.TryDictionary(page_key::kParent);
    for (int step = 0; node != nullptr && step < kMaxParentSteps; ++step) {
        if (TPDFObject* value = node->Get(key)) return value;
        node = node->TryDictionary(page_key::kParent);
    }
    return nullptr;
}

// Puts what the page inherits into the page itself, so that it keeps its
// look under another parent.
void CompleteInheritedEntries(TPDFDictionary& page, TPDFStructure& s, bool all_boxes,
                              bool empty_resources) {
    auto copy_inherited = [&](std::string_view key) {
        if (page.Get(key) != nullptr) return true;
        if (TPDFObject* value = StoredInheritedValue(page, key)) {
            page.Set(key, CopyObject(*value, s, Identity));
            return true;
        }
        return false;
    };
    if (!copy_inherited(page_key::kResources) && empty_resources) {
        page.Set(page_key::kResources, s.MakeDictionary());
    }
    if (!copy_inherited(page_key::kMediaBox)) page.Set(page_key::kMediaBox, DefaultMediaBox(s));
    std::vector<std::string_view> boxes{page_key::kCropBox};
    if (all_boxes) boxes.insert(boxes.end(), {"BleedBox", "TrimBox", "ArtBox"});
    for (std::string_view box : boxes) {
        if (!copy_inherited(box)) {
            page.Set(box, CopyObject(*page.Get(page_key::kMediaBox), s, Identity));
        }
    }
    if (!copy_inherited(page_key::kRotate)) page.Set(page_key::kRotate, s.MakeNumeric(0));
}

bool IsLayoutStream(const TPDFObject& object) {
    const auto* stream = object.As<TPDFStream>();
    return stream != nullptr && (stream->Dictionary().HasName(key::kType, name::kXRef) ||
                                 stream->Dictionary().HasName(key::kType, name::kObjStm));
}

TPDFDictionary* EnsureAcroForm(TPDFDocument& document, TPDFDictionary& catalog) {
    if (TPDFDictionary* form = catalog.TryDictionary(kAcroForm)) return form;
    TPDFStructure& s = document.Structure();
    TPDFDictionary* form = s.MakeDictionary();
    form->Set(kFields, s.MakeArray());
    catalog.Set(kAcroForm, document.AddIndirect(*form));
    return form;
}

// The number of pages below `node` when the subtree is sound: every kid an
// indirect reference to a dictionary whose "Parent" is this node, no node
// or page met twice, every "Count" true. -1 otherwise.
int SoundSubtreePages(TPDFDictionary& node, std::unordered_set<const TPDFDictionary*>& seen,
                      int depth) {
    constexpr int kMaxDepth = 64;
    if (depth > kMaxDepth || !seen.insert(&node).second) return -1;
    TPDFArray* kids = node.TryArray(page_key::kKids);
    if (kids == nullptr) return -1;
    int total = 0;
    for (TPDFObject* item : kids->Items()) {
        if (item == nullptr || item->Kind() != ObjectKind::kIndRef) return -1;
        TPDFObject* target = ResolveObject(item);
        TPDFDictionary* kid = target != nullptr ? target->As<TPDFDictionary>() : nullptr;
        if (kid == nullptr || kid->TryDictionary(page_key::kParent) != &node) return -1;
        if (IsPageTreeNode(*kid)) {
            const int below = SoundSubtreePages(*kid, seen, depth + 1);
            if (below < 0) return -1;
            total += below;
        } else {
            if (!seen.insert(kid).second) return -1;
            ++total;
        }
    }
    auto count = node.TryInteger(page_key::kCount);
    return count && *count == total ? total : -1;
}

// A page tree that lies (loops, junk kids, wrong counts, wrong parents)
// would carry its damage into the document it is merged into; it is
// replaced by one flat list of the pages it really holds.
void RepairPageTree(TPDFDocument& document, TPDFDictionary& root) {
    std::unordered_set<const TPDFDictionary*> seen;
    if (SoundSubtreePages(root, seen, 0) >= 0) return;
    TPDFStructure& s = document.Structure();
    TPDFArray* kids = s.MakeArray();
    std::unordered_set<const TPDFDictionary*> listed;
    for (TPDFDictionary* page : CollectPages(document)) {
        if (!listed.insert(page).second) continue;
        if (!page->IsIndirect()) document.RegisterIndirect(*page);
        kids->Append(s.MakeReference(*page));
        if (root.IsIndirect()) {
            page->Set(page_key::kParent, s.MakeReference(root));
        } else {
            page->Remove(page_key::kParent);
        }
    }
    root.Set(page_key::kKids, kids);
    root.Set(page_key::kCount, s.MakeNumeric(static_cast<double>(kids->Size())));
    document.AddWarning("page tree rebuilt from the pages it holds");
}

}  // namespace

void CompletePageForCapture(TPDFDictionary& page, TPDFStructure& s) {
    CompleteInheritedEntries(page, s, true, false);
}

bool MergeDocument(EngineDocument& destination, EngineDocument& source) {
    TPDFDocument& d = destination.Document();
    TPDFDocument& s = source.Document();
    TPDFDictionary* d_catalog = d.Catalog();
    TPDFDictionary* s_catalog = s.Catalog();
    TPDFDictionary* d_root = destination.Pages().Root();
    TPDFDictionary* s_root = source.Pages().Root();
    if (d_catalog == nullptr || s_catalog == nullptr || d_root == nullptr || s_root == nullptr ||
        d_root == s_root) {
        return false;
    }
    TPDFDictionary* s_form = s_catalog->TryDictionary(kAcroForm);
    if (s_form != nullptr && d_catalog->TryDictionary(kAcroForm) == nullptr) {
        TPDFDictionary* form = EnsureAcroForm(d, *d_catalog);
        if (TPDFObject* value = s_form->Resolve(kNeedAppearances)) {
            form->Set(kNeedAppearances, CopyObject(*value, d.Structure(), Identity));
        }
    }

    const int offset = d.HighestObjectNumber();
    // Select every page (giving it its engine stream) and make it carry what
    // it inherits. A lying "Count" ends at the first number the tree lacks.
    TPDFPageTree& s_pages = source.Pages();
    for (int i = 1, count = s_pages.PageCount(); i <= count; ++i) {
        if (!s_pages.SelectPage(i)) break;
        CompleteInheritedEntries(*s_pages.SelectedPage(), s.Structure(), false, false);
    }
    for (TPDFDictionary* page : CollectPages(s)) {
        CompleteInheritedEntries(*page, s.Structure(), false, false);
    }
    RepairPageTree(s, *s_root);
    s_pages.Invalidate();
    const int s_count = s_pages.PageCount();

    // Source numbers move up by the destination's highest number, so the
    // source's own references stay right. A source with vast gaps between
    // its numbers is packed instead, so the gaps do not become millions of
    // null objects.
    const int s_highest = s.HighestObjectNumber();
    const auto& s_objects = s.IndirectObjects();
    const bool packed = static_cast<std::size_t>(s_highest) > 2 * s_objects.size() + 1000;
    std::unordered_map<int, int> packed_numbers;
    if (packed) {
        std::vector<int> numbers;
        numbers.reserve(s_objects.size());
        for (const auto& entry : s_objects) numbers.push_back(entry->number);
        std::sort(numbers.begin(), numbers.end());
        int next = offset;
        for (int number : numbers) packed_numbers[number] = ++next;
    }
    auto map = [&](int number) -> int {
        if (!packed) return number >= 1 && number <= s_highest ? number + offset : 0;
        auto it = packed_numbers.find(number);
        return it != packed_numbers.end() ? it->second : 0;
    };

    TPDFStructure& target = d.Structure();
    auto copy_one = [&](int number) {
        TPDFObject* object = s.ObjectByNumber(number);
        TPDFObject* copy = object != nullptr && !IsLayoutStream(*object)
                               ? CopyObject(*object, target, map)
                               : target.MakeNull();
        d.RegisterIndirect(*copy);
    };
    if (packed) {
        std::vector<int> numbers;
        for (const auto& [number, unused] : packed_numbers) numbers.push_back(number);
        std::sort(numbers.begin(), numbers.end());
        for (int number : numbers) copy_one(number);
    } else {
        for (int number = 1; number <= s_highest; ++number) copy_one(number);
    }

    TPDFDictionary* s_root_copy = nullptr;
    int s_root_number = s_root->IsIndirect() ? map(s_root->ObjectNumber()) : 0;
    if (s_root_number > 0) {
        TPDFObject* copied = d.ObjectByNumber(s_root_number);
        s_root_copy = copied != nullptr ? copied->As<TPDFDictionary>() : nullptr;
    }
    if (s_root_copy == nullptr) {
        // A root held directly in the catalog has no number of its own.
        TPDFObject* copied = CopyObject(*s_root, target, map);
        s_root_copy = copied->As<TPDFDictionary>();
        if (s_root_copy == nullptr) return false;
        s_root_number = d.RegisterIndirect(*s_root_copy).number;
    }
    if (d_root->IsIndirect()) s_root_copy->Set(page_key::kParent, target.MakeReference(*d_root));

    if (s_form != nullptr) {
        TPDFDictionary* d_form = EnsureAcroForm(d, *d_catalog);
        auto append_all = [&](std::string_view key) {
            TPDFArray* from = s_form->TryArray(key);
            if (from == nullptr) return;
            TPDFArray* to = d_form->TryArray(key);
            if (to == nullptr) {
                to = target.MakeArray();
                d_form->Set(key, to);
            }
            for (const TPDFObject* item : from->Items()) {
                if (item != nullptr) to->Append(CopyObject(*item, target, map));
            }
        };
        append_all(kFields);
        append_all(kCalculationOrder);
        TPDFDictionary* s_dr = s_form->TryDictionary(kDefaultResources);
        TPDFDictionary* s_fonts = s_dr != nullptr ? s_dr->TryDictionary(kFont) : nullptr;
        if (s_fonts != nullptr) {
            TPDFDictionary* d_dr = d_form->TryDictionary(kDefaultResources);
            if (d_dr == nullptr) {
                d_dr = target.MakeDictionary();
                d_form->Set(kDefaultResources, d_dr);
            }
            TPDFDictionary* d_fonts = d_dr->TryDictionary(kFont);
            if (d_fonts == nullptr) {
                d_fonts = target.MakeDictionary();
                d_dr->Set(kFont, d_fonts);
            }
            for (const auto& entry : s_fonts->Entries()) {
                if (entry.value != nullptr) {
                    d_fonts->Set(entry.key, CopyObject(*entry.value, target, map));
                }
            }
        }
    }

    TPDFArray* d_kids = d_root->TryArray(page_key::kKids);
    if (d_kids == nullptr) {
        d_kids = target.MakeArray();
        d_root->Set(page_key::kKids, d_kids);
    }
    d_kids->Append(target.MakeReference(s_root_number, 0));
    const int d_count = destination.Pages().PageCount();
    d_root->Set(page_key::kCount, target.MakeNumeric(static_cast<double>(d_count) + s_count));
    destination.Pages().Invalidate();
    return true;
}

bool CopyListedPages(EngineDocument& destination, EngineDocument& source,
                     const std::vector<int>& pages) {
    if (pages.empty()) return false;
    TPDFDocument& d = destination.Document();
    TPDFDocument& s = source.Document();
    TPDFPageTree& d_tree = destination.Pages();
    TPDFPageTree& s_tree = source.Pages();
    const int d_before = d_tree.PageCount();
    if (!d_tree.InsertPages(d_before + 1, static_cast<int>(pages.size()), 612, 792)) return false;
    d_tree.SelectPage(1);
    d_tree.DeleteSelectedPage();

    // Source page object number -> destination page object number.
    std::unordered_map<int, int> page_numbers;
    std::set<int> unlisted;
    std::vector<std::pair<TPDFDictionary*, TPDFDictionary*>> pairs;
    const std::set<int> wanted(pages.begin(), pages.end());
    const int s_count = s_tree.PageCount();
    int slot = 1;
    for (int i = 1; i <= s_count; ++i) {
        TPDFDictionary* page = s_tree.Page(i);
        if (page == nullptr) break;
        if (wanted.count(i) == 0) {
            if (page->IsIndirect()) unlisted.insert(page->ObjectNumber());
            continue;
        }
        TPDFDictionary* target = d_tree.Page(slot++);
        if (target == nullptr) return false;
        if (page->IsIndirect()) page_numbers[page->ObjectNumber()] = target->ObjectNumber();
        pairs.emplace_back(page, target);
    }
    for (auto& [page, target] : pairs) {
        CompleteInheritedEntries(*page, s.Structure(), false, true);
    }

    // Every object the listed pages (and the form) reach, copied once.
    TPDFDictionary* s_catalog = s.Catalog();
    TPDFDictionary* s_form = s_catalog != nullptr ? s_catalog->TryDictionary(kAcroForm) : nullptr;
    std::map<int, int> copies;  // source number -> destination number
    std::vector<int> order;
    std::vector<int> pending;
    auto discover = [&](int number) {
        if (page_numbers.count(number) != 0 || unlisted.count(number) != 0) return;
        if (copies.count(number) != 0) return;
        if (s.ObjectByNumber(number) == nullptr) return;
        copies[number] = 0;
        order.push_back(number);
        pending.push_back(number);
    };
    for (auto& [page, target] : pairs) {
        for (const auto& entry : page->Entries()) {
            if (entry.key == page_key::kParent || entry.value == nullptr) continue;
            ForEachReference(*entry.value, discover);
            if (entry.value->IsIndirect()) discover(entry.value->ObjectNumber());
        }
    }
    if (s_form != nullptr) {
        ForEachReference(*s_form, discover);
        if (s_form->IsIndirect()) discover(s_form->ObjectNumber());
    }
    while (!pending.empty()) {
        const int number = pending.back();
        pending.pop_back();
        if (TPDFObject* object = s.ObjectByNumber(number)) {
            if (const auto* stream = object->As<TPDFStream>()) {
                ForEachReference(stream->Dictionary(), discover);
            } else {
                ForEachReference(*object, discover);
            }
        }
    }
    int next = d.HighestObjectNumber();
    for (int number : order) copies[number] = ++next;
    auto map = [&](int number) -> int {
        if (auto it = page_numbers.find(number); it != page_numbers.end()) return it->second;
        // A link to a page that is not copied points at the page tree root.
        if (unlisted.count(number) != 0) return 1;
        auto it = copies.find(number);
        return it != copies.end() ? it->second : 0;
    };
    TPDFStructure& target_structure = d.Structure();
    for (int number : order) {
        TPDFObject* object = s.ObjectByNumber(number);
        d.RegisterIndirect(*CopyObject(*object, target_structure, map));
    }
    for (auto& [page, target] : pairs) {
        for (const auto& entry : page->Entries()) {
            if (entry.key == page_key::kParent || entry.value == nullptr) continue;
            TPDFObject* value = entry.value->IsIndirect()
                                    ? static_cast<TPDFObject*>(target_structure.MakeReference(
                                          map(entry.value->ObjectNumber()), 0))
                                    : CopyObject(*entry.value, target_structure, map);
            target->Set(entry.key, value);
        }
    }
    if (s_form != nullptr) {
        TPDFDictionary* d_catalog = d.Catalog();
        if (d_catalog != nullptr) {
            TPDFDictionary* d_form = target_structure.MakeDictionary();
            d_form->Set(kFields, target_structure.MakeArray());
            for (const auto& entry : s_form->Entries()) {
                if (entry.value != nullptr) {
                    d_form->Set(entry.key, CopyObject(*entry.value, target_structure, map));
                }
            }
            d_catalog->Set(kAcroForm, d.AddIndirect(*d_form));
        }
    }
    d_tree.Invalidate();
    return true;
}

}  // namespace papyrion::pdf
