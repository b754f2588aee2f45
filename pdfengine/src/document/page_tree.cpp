#include "document/page_tree.h"

#include <cmath>
#include <unordered_set>

#include "document/page_lookup.h"
#include "object/pdf_keys.h"

namespace papyrion::pdf {

namespace {

// Real page trees are a few levels deep; a longer "Parent" chain is a loop.
constexpr int kMaxParentSteps = 256;
constexpr double kDefaultWidth = 612;
constexpr double kDefaultHeight = 792;

TPDFArray* BoxArray(TPDFStructure& s, double width, double height) {
    TPDFArray* box = s.MakeArray();
    box->Append(s.MakeNumeric(0));
    box->Append(s.MakeNumeric(0));
    box->Append(s.MakeNumeric(width));
    box->Append(s.MakeNumeric(height));
    return box;
}

TPDFDictionary* AsDictionary(TPDFObject* object) {
    return object != nullptr ? object->As<TPDFDictionary>() : nullptr;
}

}  // namespace

bool IsEngineStream(const TPDFStream& stream) {
    return stream.Dictionary().HasName(kEngineMarkerKey, kEngineMarkerValue);
}

bool IsPageTreeNode(const TPDFDictionary& node) {
    return node.HasName(key::kType, name::kPages) || node.TryArray(page_key::kKids) != nullptr;
}

TPDFObject* InheritedValue(const TPDFDictionary& page, std::string_view key) {
    const TPDFDictionary* node = &page;
    for (int step = 0; node != nullptr && step < kMaxParentSteps; ++step) {
        if (TPDFObject* value = node->Resolve(key)) {
            if (value->Kind() != ObjectKind::kNull) return value;
        }
        node = node->TryDictionary(page_key::kParent);
    }
    return nullptr;
}

int PageRotation(const TPDFDictionary& page) {
    TPDFObject* value = InheritedValue(page, page_key::kRotate);
    const auto* number = value != nullptr ? value->As<TPDFNumeric>() : nullptr;
    auto integer = number != nullptr ? number->TryInteger() : std::nullopt;
    if (!integer || *integer % 90 != 0) return 0;
    return static_cast<int>(((*integer % 360) + 360) % 360);
}

TPDFDictionary* TPDFPageTree::Root() {
    TPDFDictionary* catalog = document_.Catalog();
    return catalog != nullptr ? catalog->TryDictionary(page_key::kPages) : nullptr;
}

int TPDFPageTree::PageCount() {
    TPDFDictionary* root = Root();
    auto count = root != nullptr ? root->TryInteger(page_key::kCount) : std::nullopt;
    int result = 0;
    if (count && *count > 0) result = static_cast<int>(std::min<std::int64_t>(*count, 1 << 30));
    if (result != cached_count_) {
        cache_.clear();
        cached_count_ = result;
    }
    return result;
}

TPDFDictionary* TPDFPageTree::Page(int number) {
    auto location = Locate(number);
    return location ? location->page : nullptr;
}

std::optional<PageLocation> TPDFPageTree::Locate(int number) {
    const int count = PageCount();
    if (number < 1 || number > count) return std::nullopt;
    if (auto it = cache_.find(number); it != cache_.end()) return it->second;
    TPDFDictionary* root = Root();
    if (root == nullptr) return std::nullopt;
    TPDFArray* root_kids = root->TryArray(page_key::kKids);
    if (root_kids == nullptr) return std::nullopt;

    std::optional<PageLocation> found;
    // A flat tree: entry N is page N.
    if (root_kids->Size() == static_cast<std::size_t>(count)) {
        auto* page = AsDictionary(root_kids->Resolve(static_cast<std::size_t>(number - 1)));
        if (page != nullptr && page->HasName(key::kType, name::kPage)) {
            found = PageLocation{page, root_kids, static_cast<std::size_t>(number - 1), {root}};
        }
    }
    if (!found) {
        // Walk down, skipping whole subtrees by their "Count". Every node is
        // entered at most once, so a loop in "Kids" ends the walk.
        std::unordered_set<const TPDFDictionary*> entered{root};
        std::vector<TPDFDictionary*> path{root};
        TPDFArray* kids = root_kids;
        std::int64_t passed = 0;
        bool descended = true;
        // A page in the back half is looked for from the end of the root's
        // kids: pages appended as a subtree (a merged document) are then found
        // without walking past every page before them. Where the counts are
        // true this finds the same page as the walk from the front.
        if (number > count / 2) {
            descended = false;
            std::int64_t upto = count;  // pages up to and including kid i
            for (std::size_t i = root_kids->Size(); i-- > 0;) {
                TPDFObject* item = root_kids->At(i);
                if (item == nullptr || item->Kind() != ObjectKind::kIndRef) continue;
                TPDFDictionary* kid = AsDictionary(ResolveObject(item));
                if (kid == nullptr) continue;
                if (!IsPageTreeNode(*kid)) {
                    if (upto == number) {
                        found = PageLocation{kid, root_kids, i, path};
                        break;
                    }
                    --upto;
                    continue;
                }
                auto kid_count = kid->TryInteger(page_key::kCount);
                const std::int64_t pages_below = kid_count && *kid_count > 0 ? *kid_count : 0;
                if (upto - pages_below >= number) {
                    upto -= pages_below;
                    continue;
                }
                entered.insert(kid);
                path.push_back(kid);
                kids = kid->TryArray(page_key::kKids);
                passed = upto - pages_below;
                descended = true;
                break;
            }
            if (!found && !descended) {
                // Counts that do not add up: fall back to the walk from the front.
                kids = root_kids;
                passed = 0;
                descended = true;
            }
        }
        while (!found && descended && kids != nullptr) {
            descended = false;
            for (std::size_t i = 0; i < kids->Size(); ++i) {
                TPDFObject* item = kids->At(i);
                if (item == nullptr || item->Kind() != ObjectKind::kIndRef) continue;
                TPDFDictionary* kid = AsDictionary(ResolveObject(item));
                if (kid == nullptr) continue;
                if (!IsPageTreeNode(*kid)) {
                    if (++passed == number) {
                        found = PageLocation{kid, kids, i, path};
                        break;
                    }
                    continue;
                }
                auto kid_count = kid->TryInteger(page_key::kCount);
                const std::int64_t pages_below = kid_count && *kid_count > 0 ? *kid_count : 0;
                if (passed + pages_below < number) {
                    passed += pages_below;
                    continue;
                }
                if (!entered.insert(kid).second) break;
                path.push_back(kid);
                kids = kid->TryArray(page_key::kKids);
                descended = true;
                break;
            }
        }
    }
    if (found) cache_[number] = *found;
    return found;
}

TPDFStream* TPDFPageTree::NewContentStream(bool marked) {
    TPDFStructure& s = document_.Structure();
    TPDFStream* stream = s.MakeStream(std::string());
    if (marked) {
        stream->Dictionary().Set(kEngineMarkerKey, s.MakeName(std::string(kEngineMarkerValue)));
    }
    document_.RegisterIndirect(*stream);
    return stream;
}

bool TPDFPageTree::SelectPage(int number) {
    const int count = PageCount();
    if (number < 1 || number > count) number = selected_number_;
    auto location = Locate(number);
    if (!location) return false;
    TPDFStructure& s = document_.Structure();
    TPDFDictionary* page = location->page;
    selected_number_ = number;
    selected_page_ = page;
    selected_node_ = location->path.back();
    streams_.clear();
    size_valid_ = false;

    TPDFObject* contents = page->Get(page_key::kContents);
    TPDFArray* array = nullptr;
    if (contents == nullptr) {
        array = s.MakeArray();
        array->Append(s.MakeReference(*NewContentStream(true)));
        page->Set(page_key::kContents, array);
    } else if (contents->Kind() == ObjectKind::kIndRef || contents->IsIndirect()) {
        TPDFObject* target = ResolveObject(contents);
        array = target != nullptr ? target->As<TPDFArray>() : nullptr;
        if (array == nullptr) {
            array = s.MakeArray();
            array->Append(contents->IsIndirect() ? s.MakeReference(*contents) : contents);
            page->Set(page_key::kContents, array);
        }
    } else {
        array = contents->As<TPDFArray>();
        if (array == nullptr) {
            // Junk in place of the contents: the page is drawn as empty.
            array = s.MakeArray();
            page->Set(page_key::kContents, array);
        }
    }

    TPDFObject* last = array->Size() > 0 ? array->Resolve(array->Size() - 1) : nullptr;
    const TPDFStream* last_stream = last != nullptr ? last->As<TPDFStream>() : nullptr;
    if (last_stream == nullptr || !IsEngineStream(*last_stream) ||
        (last_stream->Data().size() > kMaxEngineStreamBytes && !captured_)) {
        array->Append(s.MakeReference(*NewContentStream(true)));
    }
    for (std::size_t i = 0; i < array->Size(); ++i) {
        TPDFObject* element = array->Resolve(i);
        TPDFStream* stream = element != nullptr ? element->As<TPDFStream>() : nullptr;
        if (stream == nullptr) {
            stream = NewContentStream(false);
            array->Replace(i, s.MakeReference(*stream));
        }
        streams_.push_back(stream);
    }
    contents_ = array;
    TPDFStream* current = streams_.back();
    painter_.Reset(current, document_.DecodedStreamData(*current));
    return true;
}

void TPDFPageTree::IsolateForeignContent() {
    if (contents_ == nullptr || streams_.size() < 2 || IsEngineStream(*streams_.front())) return;
    TPDFStream* opening = NewContentStream(true);
    opening->SetData("q\n");
    contents_->Insert(0, document_.Structure().MakeReference(*opening));
    std::vector<TPDFStream*> streams;
    streams.reserve(streams_.size() + 1);
    streams.push_back(opening);
    for (TPDFStream* stream : streams_) streams.push_back(stream);
    streams_.swap(streams);
    painter_.Prepend("Q\n");
}

void TPDFPageTree::PrependContent(std::string data) {
    if (contents_ == nullptr) return;
    // Unmarked: the page's own content still gets isolated from later
    // drawings over it.
    TPDFStream* under = NewContentStream(false);
    under->SetData(std::move(data));
    contents_->Insert(0, document_.Structure().MakeReference(*under));
    streams_.insert(streams_.begin(), under);
}

void TPDFPageTree::Reselect() {
    const int count = PageCount();
    const int wanted = std::min(selected_number_, count);
    selected_number_ = 0;
    selected_page_ = nullptr;
    selected_node_ = nullptr;
    streams_.clear();
    contents_ = nullptr;
    painter_.Unbind();
    size_valid_ = false;
    if (wanted >= 1) SelectPage(wanted);
}

bool TPDFPageTree::LoadSize() {
    if (selected_page_ == nullptr) return false;
    if (size_valid_) return true;
    if (auto box = InheritedMediaBox(*selected_page_)) {
        width_ = std::fabs((*box)[2] - (*box)[0]);
        height_ = std::fabs((*box)[3] - (*box)[1]);
    } else {
        TPDFDictionary* root = Root();
        std::optional<PdfBox> root_box = root != nullptr ? InheritedMediaBox(*root) : std::nullopt;
        width_ = root_box ? std::fabs((*root_box)[2] - (*root_box)[0]) : kDefaultWidth;
        height_ = root_box ? std::fabs((*root_box)[3] - (*root_box)[1]) : kDefaultHeight;
        selected_page_->Set(page_key::kMediaBox, BoxArray(document_.Structure(), width_, height_));
    }
    size_valid_ = true;
    return true;
}

double TPDFPageTree::PageWidth() { return LoadSize() ? width_ : 0; }
double TPDFPageTree::PageHeight() { return LoadSize() ? height_ : 0; }

void TPDFPageTree::SetSize(double width, double height) {
    if (selected_page_ == nullptr) return;
    TPDFStructure& s = document_.Structure();
    selected_page_->Remove(page_key::kMediaBox);
    selected_page_->Remove(page_key::kCropBox);
    selected_page_->Set(page_key::kMediaBox, BoxArray(s, width, height));
    selected_page_->Set(page_key::kCropBox, BoxArray(s, width, height));
    width_ = width;
    height_ = height;
    size_valid_ = true;
}

void TPDFPageTree::SetPageWidth(double width) {
    if (!LoadSize()) return;
    SetSize(width, height_);
}

void TPDFPageTree::SetPageHeight(double height) {
    if (!LoadSize()) return;
    SetSize(width_, height);
}

bool TPDFPageTree::InsertPages(int position, int count, double width, double height) {
    const int pages = PageCount();
    if (count < 1 || position < 1 || position > pages + 1) return false;
    TPDFDictionary* root = Root();
    if (root == nullptr) return false;
    TPDFArray* kids = nullptr;
    std::size_t index = 0;
    std::vector<TPDFDictionary*> path{root};
    if (position == pages + 1 || position == 1) {
        kids = root->TryArray(page_key::kKids);
        if (kids == nullptr) {
            // A root without "Kids": the new pages are its only kids.
            kids = document_.Structure().MakeArray();
            root->Set(page_key::kKids, kids);
        }
        index = position == 1 ? 0 : kids->Size();
    } else {
        auto before = Locate(position - 1);
        if (!before) return false;
        kids = before->kids;
        index = before->index + 1;
        path = before->path;
    }
    for (TPDFDictionary* node : path) {
        auto old = node->TryInteger(page_key::kCount);
        node->Set(page_key::kCount,
                  document_.Structure().MakeNumeric(static_cast<double>(old.value_or(0) + count)));
    }
    TPDFDictionary* owner = path.back();
    TPDFStructure& s = document_.Structure();
    for (int i = 0; i < count; ++i) {
        TPDFDictionary* page = s.MakeDictionary();
        page->Set(key::kType, s.MakeName(std::string(name::kPage)));
        if (owner->IsIndirect()) page->Set(page_key::kParent, s.MakeReference(*owner));
        page->Set(page_key::kMediaBox, BoxArray(s, width, height));
        page->Set(page_key::kCropBox, BoxArray(s, width, height));
        page->Set(page_key::kRotate, s.MakeNumeric(0));
        TPDFDictionary* resources = s.MakeDictionary();
        TPDFArray* procset = s.MakeArray();
        for (const char* name : {"PDF", "Text", "ImageB", "ImageC", "ImageI"}) {
            procset->Append(s.MakeName(name));
        }
        resources->Set(page_key::kProcSet, procset);
        page->Set(page_key::kResources, resources);
        document_.RegisterIndirect(*page);
        kids->Insert(index++, s.MakeReference(*page));
        TPDFArray* contents = s.MakeArray();
        contents->Append(s.MakeReference(*NewContentStream(true)));
        page->Set(page_key::kContents, contents);
    }
    cache_.clear();
    SelectPage(position);
    return true;
}

bool TPDFPageTree::DeleteSelectedPage() {
    if (selected_page_ == nullptr) return false;
    auto location = Locate(selected_number_);
    if (!location || location->page != selected_page_) return false;
    location->kids->RemoveAt(location->index);
    for (TPDFDictionary* node : location->path) {
        auto old = node->TryInteger(page_key::kCount);
        node->Set(page_key::kCount,
                  document_.Structure().MakeNumeric(static_cast<double>(old.value_or(1) - 1)));
    }
    cache_.clear();
    selected_page_ = nullptr;
    selected_node_ = nullptr;
    streams_.clear();
    contents_ = nullptr;
    painter_.Unbind();
    size_valid_ = false;
    return true;
}

}  // namespace papyrion::pdf
