// The document layout's bookkeeping: building the box tree, recording which
// boxes a change touched, and on Update() rebuilding just those, laying them
// out and moving what follows them. The public queries delegate to the
// painter and the caret geometry.
#include "htmlview/DocumentLayout.h"

#include "htmlview/BlockLayout.h"
#include "htmlview/CaretNavigation.h"
#include "htmlview/LayoutImpl.h"
#include "htmlview/LayoutPainter.h"
#include "htmlview/LayoutStyle.h"

#include <algorithm>
#include <vector>

namespace vellum::html {
namespace {

std::size_t Depth(const Node* node)
{
    std::size_t depth = 0;
    for (const Node* n = node->Parent(); n; n = n->Parent())
        ++depth;
    return depth;
}

} // namespace

DocumentLayout::Impl::Impl(Document& doc) : document(doc)
{
    document.AddObserver(this);
}

DocumentLayout::Impl::~Impl()
{
    document.RemoveObserver(this);
}

void DocumentLayout::Impl::SetWidth(int newWidth)
{
    newWidth = std::max(newWidth, 1);
    if (newWidth == width)
        return;
    width = newWidth;
    widthChanged_ = true;
    // An @media rule may hold at one width and not at another.
    if (cascade && cascade->DependsOnWidth())
        needsFullBuild_ = true;
}

void DocumentLayout::Impl::Invalidate()
{
    needsFullBuild_ = true;
}

void DocumentLayout::Impl::ShowPicture(const std::u16string& source, QImage pixels)
{
    images.Put(source, std::move(pixels));
    for (Element* image : document.GetElementsByTagName("IMG")) {
        const std::u16string* given = image->FindAttribute("src");
        if (given && *given == source && !needsFullBuild_ && root)
            MarkBoxOf(*image, false);
    }
}

void DocumentLayout::Impl::DocumentReplaced()
{
    // Every node the boxes point at is gone: drop them now, not lazily.
    root.reset();
    registry.clear();
    images.Clear();
    dirtyNodes_.clear();
    needsFullBuild_ = true;
}

void DocumentLayout::Impl::NodeChanged(Node& node, ChangeKind kind)
{
    // Before anything else: the cache may be comparing against the very
    // attribute that just changed.
    if (kind == ChangeKind::Attributes && node.IsElement())
        images.Forget(*node.AsElement());
    if (needsFullBuild_ || !root)
        return;
    // A style sheet's text may restyle any element anywhere.
    auto isSheet = [](const Node* n) {
        return n && n->IsElement() && n->AsElement()->TagName() == "STYLE";
    };
    if (isSheet(&node) || isSheet(node.Parent())) {
        needsFullBuild_ = true;
        return;
    }
    // Where the sheets match by place among siblings (:first-child, +, ~),
    // a child added or removed, or a sibling's class changed, can restyle
    // its siblings: the parent's whole subtree is styled again.
    Node* siblingsOf = nullptr;
    if (cascade && cascade->DependsOnSiblings() && kind != ChangeKind::Text)
        siblingsOf = kind == ChangeKind::Children ? &node : node.Parent();
    bool held = MarkBoxOf(node, kind == ChangeKind::Attributes);
    if (siblingsOf)
        MarkBoxOf(*siblingsOf, true);
    // Outside the body (a style sheet, the title, the body itself replaced):
    // the base style may have changed.
    if (!held && node.IsConnected())
        needsFullBuild_ = true;
}

bool DocumentLayout::Impl::MarkBoxOf(Node& node, bool restyle)
{
    for (Node* n = &node; n; n = n->Parent()) {
        auto it = registry.find(n);
        if (it == registry.end())
            continue;
        Box& box = *it->second;
        if (restyle && n == &node && box.element == &node)
            box.restyle = true;
        if (!box.dirty)
            dirtyNodes_.push_back(n);
        box.dirty = true;
        return true;
    }
    return false;
}

void DocumentLayout::Impl::BuildAll()
{
    root.reset();
    registry.clear();
    dirtyNodes_.clear();
    needsFullBuild_ = false;
    widthChanged_ = false;
    Element* body = document.Body();
    if (!body)
        return;
    cascade = std::make_unique<Cascade>(document, MediaContext{width});
    if (cascade->Empty() && !cascade->DependsOnWidth())
        cascade.reset();
    BoxBuilder builder(registry, images, cascade.get());
    root = builder.BuildRoot(*body, BodyStyle(body, cascade.get()));
    LayoutBlock(*root, width, laidOutByLastUpdate);
    root->x = root->margin.left;
    root->y = OuterTopMargin(*root);
}

void DocumentLayout::Impl::Update()
{
    if (document.IsBusy())
        return;
    bool full = needsFullBuild_ || !root || (root->dirty && root->restyle);
    if (!full && dirtyNodes_.empty() && !widthChanged_)
        return; // the count stays that of the last Update() that did work
    laidOutByLastUpdate = 0;
    if (full) {
        BuildAll();
        return;
    }
    if (!dirtyNodes_.empty()) {
        if (cascade)
            cascade->ForgetAncestors();
        std::vector<Node*> nodes;
        nodes.swap(dirtyNodes_);
        // Outer boxes first: their rebuild may replace the inner ones.
        std::vector<std::pair<std::size_t, Node*>> ordered;
        ordered.reserve(nodes.size());
        for (Node* node : nodes) {
            if (node->IsConnected()) {
                ordered.emplace_back(Depth(node), node);
                continue;
            }
            // Left the tree: its parent's rebuild drops the box, if it
            // has not already; it must not stay marked if it comes back.
            if (auto it = registry.find(node); it != registry.end())
                it->second->dirty = it->second->restyle = false;
        }
        std::sort(ordered.begin(), ordered.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [depth, node] : ordered) {
            auto it = registry.find(node);
            if (it != registry.end() && it->second->dirty)
                RebuildDirty(*it->second);
        }
    }
    if (widthChanged_) {
        widthChanged_ = false;
        LayoutBlock(*root, width, laidOutByLastUpdate);
        root->x = root->margin.left; // a percentage follows the width
        root->y = OuterTopMargin(*root);
    }
}

void DocumentLayout::Impl::RebuildDirty(Box& box)
{
    BoxBuilder builder(registry, images, cascade.get());
    builder.Rebuild(box);
    Relayout(box);
}

void DocumentLayout::Impl::Relayout(Box& box)
{
    // Inside a table a change of content can change the column widths, so
    // the outermost table lays out again; its unchanged cells are kept. An
    // inline block's width follows its content too.
    Box* target = &box;
    for (Box* b = box.parent; b; b = b->parent)
        if (b->kind == BoxKind::Table || b->kind == BoxKind::InlineRun)
            target = b;
    for (Box* b = &box; b; b = b->parent) {
        b->minContent = b->maxContent = -1;
    }
    qreal containing = target->containingWidth >= 0 ? target->containingWidth : width;
    for (Box* b = &box; b != target->parent; b = b->parent)
        b->containingWidth = -1;
    LayoutBlock(*target, containing, laidOutByLastUpdate);
    for (Box* b = target->parent; b; b = b->parent)
        PlaceChildren(*b);
    root->y = OuterTopMargin(*root);
}

// ---- DocumentLayout -------------------------------------------------------

DocumentLayout::DocumentLayout(Document& document) : impl_(std::make_unique<Impl>(document))
{
}

DocumentLayout::~DocumentLayout() = default;

Document& DocumentLayout::GetDocument() const
{
    return impl_->document;
}

void DocumentLayout::SetWidth(int width)
{
    impl_->SetWidth(width);
}

int DocumentLayout::Width() const
{
    return impl_->width;
}

void DocumentLayout::Update()
{
    impl_->Update();
}

void DocumentLayout::Invalidate()
{
    impl_->Invalidate();
}

void DocumentLayout::ShowPicture(const std::u16string& source, QImage pixels)
{
    impl_->ShowPicture(source, std::move(pixels));
}

int DocumentLayout::Height() const
{
    impl_->Update();
    const Box* root = impl_->root.get();
    return root ? static_cast<int>(std::ceil(root->y + root->height + OuterBottomMargin(*root)))
                : 0;
}

int DocumentLayout::ContentWidth() const
{
    impl_->Update();
    const Box* root = impl_->root.get();
    if (!root)
        return impl_->width;
    qreal right = root->x + std::max(root->overflowRight, root->width) + root->margin.right;
    return std::max(impl_->width, static_cast<int>(std::ceil(right)));
}

void DocumentLayout::Paint(QPainter& painter, const QRectF& clip, const PaintOptions& options) const
{
    impl_->Update();
    if (impl_->root)
        PaintBoxes(painter, *impl_->root, clip, impl_->document.GetSelection(), options,
                   impl_->registry);
}

HitResult DocumentLayout::HitTest(const QPointF& point) const
{
    impl_->Update();
    return impl_->root ? HitTestBoxes(*impl_->root, point) : HitResult{};
}

QRectF DocumentLayout::CaretRect(const Position& position) const
{
    impl_->Update();
    CaretPlace place = LocateCaret(impl_->registry, impl_->root.get(), position);
    return place.box ? CaretRectAt(place) : QRectF();
}

QRectF DocumentLayout::CaretRect(const Position& position, CaretAffinity affinity) const
{
    impl_->Update();
    CaretPlace place = LocateCaret(impl_->registry, impl_->root.get(), position);
    place.affinity = affinity;
    return place.box ? CaretRectAt(place) : QRectF();
}

QRectF DocumentLayout::ElementRect(const Element& element) const
{
    impl_->Update();
    return ElementRectOf(impl_->registry, impl_->root.get(), element);
}

TextStyle DocumentLayout::TextStyleAt(const Position& position) const
{
    Element* body = impl_->document.Body();
    if (!body)
        return {FontFor(LayoutStyle{}), Qt::black};
    // An empty element (B made by Ctrl+B at the caret) holds the caret
    // itself; anywhere else the caret stands in the text the user sees.
    Position at = position;
    if (at.IsNull() || !at.node->IsElement() || !at.node->Children().empty())
        at = CaretPosition(position);
    Node* node = at.IsNull() ? body : at.node;
    std::vector<const Element*> chain;
    for (Node* n = node->IsElement() ? node : node->Parent(); n && n != body; n = n->Parent())
        if (n->IsElement())
            chain.push_back(n->AsElement());
    if (!body->Contains(node))
        chain.clear();
    impl_->Update();
    const Cascade* cascade = impl_->cascade.get();
    if (cascade)
        cascade->ForgetAncestors();
    LayoutStyle style = BodyStyle(body, cascade);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        style = StyleFor(**it, style, cascade);
    return {FontFor(style), style.color};
}

Position DocumentLayout::CaretPosition(const Position& position) const
{
    impl_->Update();
    CaretPlace place = LocateCaret(impl_->registry, impl_->root.get(), position);
    return place.box ? PositionAt(place) : Position{};
}

namespace {

// Runs a movement on the caret place of `from`; `from` itself when it has
// no place or the movement goes nowhere.
template <typename Move>
Position MoveFrom(const BoxRegistry& registry, Box* root, const Position& from, Move move)
{
    CaretPlace place = LocateCaret(registry, root, from);
    if (!place.box)
        return from;
    CaretPlace target = move(place);
    if (!target.box || (target.box == place.box && target.index == place.index))
        return from;
    return PositionAt(target);
}

} // namespace

Position DocumentLayout::NextCharacter(const Position& from) const
{
    impl_->Update();
    return MoveFrom(impl_->registry, impl_->root.get(), from, NextCharacterPlace);
}

Position DocumentLayout::PreviousCharacter(const Position& from) const
{
    impl_->Update();
    return MoveFrom(impl_->registry, impl_->root.get(), from, PreviousCharacterPlace);
}

Position DocumentLayout::NextWord(const Position& from) const
{
    impl_->Update();
    return MoveFrom(impl_->registry, impl_->root.get(), from, NextWordPlace);
}

Position DocumentLayout::PreviousWord(const Position& from) const
{
    impl_->Update();
    return MoveFrom(impl_->registry, impl_->root.get(), from, PreviousWordPlace);
}

Position DocumentLayout::LineStart(const Position& from) const
{
    impl_->Update();
    return MoveFrom(impl_->registry, impl_->root.get(), from, LineStartPlace);
}

Position DocumentLayout::LineStart(const Position& from, CaretAffinity affinity) const
{
    impl_->Update();
    return MoveFrom(impl_->registry, impl_->root.get(), from, [&](CaretPlace place) {
        place.affinity = affinity;
        return LineStartPlace(place);
    });
}

Position DocumentLayout::LineEnd(const Position& from) const
{
    impl_->Update();
    return MoveFrom(impl_->registry, impl_->root.get(), from, LineEndPlace);
}

Position DocumentLayout::LineAbove(const Position& from, qreal x) const
{
    impl_->Update();
    return MoveFrom(impl_->registry, impl_->root.get(), from, [&](const CaretPlace& place) {
        return VerticalPlace(*impl_->root, place, x, VerticalMove::Up);
    });
}

Position DocumentLayout::LineBelow(const Position& from, qreal x) const
{
    impl_->Update();
    return MoveFrom(impl_->registry, impl_->root.get(), from, [&](const CaretPlace& place) {
        return VerticalPlace(*impl_->root, place, x, VerticalMove::Down);
    });
}

Position DocumentLayout::MoveByPixels(const Position& from, qreal x, qreal pixels) const
{
    impl_->Update();
    return MoveFrom(impl_->registry, impl_->root.get(), from, [&](const CaretPlace& place) {
        QRectF caret = CaretRectAt(place);
        qreal y = caret.center().y() + pixels;
        qreal height = impl_->root->y + impl_->root->height;
        y = std::clamp<qreal>(y, 0, std::max<qreal>(0, height - 1));
        return HitPlace(*impl_->root, QPointF(x, y));
    });
}

Range DocumentLayout::WordAt(const Position& position) const
{
    impl_->Update();
    CaretPlace place = LocateCaret(impl_->registry, impl_->root.get(), position);
    if (!place.box)
        return {position, position};
    auto [start, end] = WordPlaces(place);
    return {PositionAt(start), PositionAt(end)};
}

std::size_t DocumentLayout::BlocksLaidOutByLastUpdate() const
{
    return impl_->laidOutByLastUpdate;
}

} // namespace vellum::html
