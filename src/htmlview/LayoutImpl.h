// The document layout's private state: the box tree, the registry from
// nodes to boxes, the list of nodes whose boxes changed, and the observer
// that fills that list. Painting and caret geometry work on these through
// the free functions of LayoutPainter.h and CaretNavigation.h.
#pragma once

#include "html/Cascade.h"
#include "html/Document.h"
#include "htmlview/BoxBuilder.h"
#include "htmlview/DocumentLayout.h"
#include "htmlview/ImageCache.h"

#include <memory>
#include <vector>

namespace vellum::html {

class DocumentLayout::Impl : public DocumentObserver
{
public:
    explicit Impl(Document& document);
    ~Impl() override;

    void Update();
    void SetWidth(int width);
    void Invalidate();
    void ShowPicture(const std::u16string& source, QImage pixels);

    // DocumentObserver
    void NodeChanged(Node& node, ChangeKind kind) override;
    void DocumentReplaced() override;

    Document& document;
    int width = 600;
    std::unique_ptr<Box> root;
    BoxRegistry registry;
    ImageCache images;
    // The style sheets' rules, made again on every full build; null while
    // the document has none, so that a body without STYLE pays nothing.
    std::unique_ptr<Cascade> cascade;
    std::size_t laidOutByLastUpdate = 0;

private:
    void BuildAll();
    void RebuildDirty(Box& box);
    // Marks the box holding the node for a rebuild, and for a restyle of
    // all below it when `restyle` and the box is the node's own; false
    // when no box holds it.
    bool MarkBoxOf(Node& node, bool restyle);
    void Relayout(Box& box);

    bool needsFullBuild_ = true;
    bool widthChanged_ = false;
    std::vector<Node*> dirtyNodes_;
};

} // namespace vellum::html
