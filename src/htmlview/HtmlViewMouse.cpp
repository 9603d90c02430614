// The view's mouse side: a click places the caret or selects an image or
// table, a drag selects (scrolling when the mouse leaves the view), a double
// click selects a word and a triple click its paragraph; in the read-only
// view a click on a link only tells the owner. The context menu never
// appears.
#include "html/Editing.h"
#include "htmlview/DocumentLayout.h"
#include "htmlview/HtmlView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QMouseEvent>
#include <QScrollBar>

#include <utility>

namespace vellum::html {

void HtmlView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    // A click ends a composition the way the input method would: its text
    // goes in before the caret moves. Without an input method to answer
    // (none runs offscreen) the composition is dropped rather than left
    // hanging at the new caret.
    if (!preedit_.isEmpty()) {
        QGuiApplication::inputMethod()->commit();
        preedit_.clear();
    }
    HitResult hit = layout_->HitTest(ToDocument(event->position()));
    pressedLink_ = IsEditable() ? nullptr : hit.link;
    selectingWords_ = false;
    if (IsTripleClick(event->position().toPoint())) {
        SelectBlockAround(hit.position);
        return;
    }
    if ((event->modifiers() & Qt::ShiftModifier) && !anchor_.IsNull()) {
        SelectBetween(anchor_, hit.position, hit.affinity);
        dragging_ = true;
        return;
    }
    if (IsEditable() && hit.control) {
        ownSelection_ = Selection::Controls({hit.control});
        document_->SetSelection(ownSelection_);
        anchor_ = focus_ = {};
        dragging_ = false;
        return;
    }
    SelectBetween(hit.position, hit.position, hit.affinity);
    dragging_ = true;
    lastDragPoint_ = event->position().toPoint();
}

void HtmlView::mouseMoveEvent(QMouseEvent* event)
{
    QPoint point = event->position().toPoint();
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        lastDragPoint_ = point;
        ExtendDragTo(point);
        bool outside = point.y() < 0 || point.y() >= viewport()->height();
        if (outside && !autoScroll_.isActive())
            autoScroll_.start();
        else if (!outside)
            autoScroll_.stop();
        return;
    }
    // Images and table frames are picked up whole while editing; links show
    // the hand in the read-only view, though a click only tells the owner.
    HitResult hit = layout_->HitTest(ToDocument(event->position()));
    Qt::CursorShape shape = Qt::IBeamCursor;
    if (IsEditable() && hit.control)
        shape = Qt::ArrowCursor;
    else if (!IsEditable() && hit.link)
        shape = Qt::PointingHandCursor;
    viewport()->setCursor(shape);
}

void HtmlView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    autoScroll_.stop();
    Element* pressed = std::exchange(pressedLink_, nullptr);
    if (!pressed || !document_->GetSelection().IsCaret())
        return;
    HitResult hit = layout_->HitTest(ToDocument(event->position()));
    if (hit.link != pressed)
        return;
    emit linkClicked(QString::fromStdU16String(pressed->GetAttribute("href").value_or(u"")));
}

void HtmlView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    HitResult hit = layout_->HitTest(ToDocument(event->position()));
    // A double click on an image keeps the image selected.
    if (IsEditable() && hit.control)
        return;
    Range word = layout_->WordAt(hit.position);
    if (word.IsNull())
        return;
    SelectBetween(word.start, word.end);
    pressedLink_ = nullptr;
    // The button is still down: dragging on from here selects whole words.
    selectingWords_ = true;
    clickedWord_ = word;
    dragging_ = true;
    lastDragPoint_ = event->position().toPoint();
    lastDoubleClick_.start();
    lastDoubleClickPoint_ = lastDragPoint_;
}

bool HtmlView::IsTripleClick(const QPoint& point) const
{
    return lastDoubleClick_.isValid() &&
           lastDoubleClick_.elapsed() < QApplication::doubleClickInterval() &&
           (point - lastDoubleClickPoint_).manhattanLength() <= QApplication::startDragDistance();
}

void HtmlView::SelectBlockAround(const Position& position)
{
    lastDoubleClick_.invalidate();
    dragging_ = false;
    Element* block = position.IsNull() ? nullptr : EnclosingBlock(position.node);
    if (!block)
        return;
    SelectBetween(layout_->CaretPosition({block, 0}),
                  layout_->CaretPosition({block, block->ChildCount()}));
}

void HtmlView::ExtendDragTo(const QPoint& viewportPoint)
{
    if (anchor_.IsNull())
        return;
    HitResult hit = layout_->HitTest(ToDocument(viewportPoint));
    if (!selectingWords_) {
        SelectBetween(anchor_, hit.position, hit.affinity);
        return;
    }
    // Word by word, always keeping the first word whole.
    Range word = layout_->WordAt(hit.position);
    if (ComparePositions(hit.position, clickedWord_.start) < 0)
        SelectBetween(clickedWord_.end, word.start);
    else
        SelectBetween(clickedWord_.start, word.end);
}

// While the mouse is held above or below the view, the view scrolls toward
// it, faster the further away it is, and the selection follows.
void HtmlView::AutoScrollStep()
{
    if (!dragging_) {
        autoScroll_.stop();
        return;
    }
    int y = lastDragPoint_.y();
    int distance = y < 0 ? y : y - (viewport()->height() - 1);
    if (y >= 0 && y < viewport()->height()) {
        autoScroll_.stop();
        return;
    }
    verticalScrollBar()->setValue(ScrollOffset() + distance);
    ExtendDragTo(lastDragPoint_);
}

void HtmlView::contextMenuEvent(QContextMenuEvent* event)
{
    // No menu of the view's own ever appears; the owner decides.
    event->accept();
    emit contextMenuRequested(event->globalPos());
}

} // namespace vellum::html
