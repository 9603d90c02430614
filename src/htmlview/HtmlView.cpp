// The view keeps three things apart: the document (the engine's, edited only
// through its operations), the layout (asked for every coordinate) and what
// is on screen (repainted only where an edit or a selection change touched).
//
// Geometry is never asked for in the middle of an edit: the document tells
// its observers about every node and selection change while a step is still
// running, so the view only notes them there and acts when the step has
// finished (EditFinished) or, for selection changes outside any edit, from
// the event loop right after.
#include "htmlview/HtmlView.h"

#include "html/Editing.h"
#include "htmlview/CaretBlink.h"
#include "htmlview/DocumentLayout.h"
#include "htmlview/SystemClipboard.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethod>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace vellum::html {

namespace {

// How often a load begun on the document by someone else is looked for.
constexpr int kLoadWatchMilliseconds = 50;
constexpr int kAutoScrollMilliseconds = 50;
constexpr int kScrollLineStep = 20;

// The part of the document an edit of `node` can change the look of: its
// block, or the whole outermost table around it, since a cell that grows
// can widen its column and move every other cell without the table's height
// changing.
Element* RepaintUnit(Node* node)
{
    Element* unit = node->IsConnected() ? EnclosingBlock(node) : nullptr;
    for (Node* above = unit; above; above = above->Parent())
        if (above->IsElement() && above->AsElement()->HasTagName("TABLE"))
            unit = above->AsElement();
    return unit;
}

} // namespace

HtmlView::HtmlView(QWidget* parent)
    : QAbstractScrollArea(parent), ownDocument_(std::make_unique<Document>())
{
    document_ = ownDocument_.get();
    Initialize();
    document_->Navigate(u"about:blank");
}

HtmlView::HtmlView(Document& document, QWidget* parent)
    : QAbstractScrollArea(parent), document_(&document)
{
    Initialize();
}

HtmlView::~HtmlView()
{
    // Qt still delivers a focus change while the base class tears down; the
    // owner must not hear about it from a half-destroyed view.
    blockSignals(true);
    document_->RemoveObserver(this);
}

void HtmlView::Initialize()
{
    // The layout observes the document first, so it has heard of a change
    // by the time the view asks it about the new geometry.
    layout_ = std::make_unique<DocumentLayout>(*document_);
    document_->AddObserver(this);
    clipboard_ = std::make_unique<SystemClipboard>();
    commands_ = std::make_unique<CommandTarget>(*document_);
    commands_->SetClipboard(clipboard_.get());
    blink_ = std::make_unique<CaretBlink>([this] { ScheduleCaretRepaint(); });

    // A browser's vertical scroll bar is always there; keeping it so also
    // keeps the line width from changing when the text grows past a page.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    // The view paints every pixel itself; no erase before the paint.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true);
    verticalScrollBar()->setSingleStep(kScrollLineStep);
    horizontalScrollBar()->setSingleStep(kScrollLineStep);

    connect(&loadWatch_, &QTimer::timeout, this, [this] { FinishPendingLoad(); });
    loadWatch_.start(kLoadWatchMilliseconds);
    connect(&caretTimer_, &QTimer::timeout, this, [this] { CaretTimerTick(); });
    caretTimer_.setInterval(kCaretSignalMilliseconds);
    connect(&autoScroll_, &QTimer::timeout, this, [this] { AutoScrollStep(); });
    autoScroll_.setInterval(kAutoScrollMilliseconds);

    layout_->SetWidth(viewport()->width());
}

// ---- loading and modes --------------------------------------------------

void HtmlView::Load(std::u16string_view html, std::u16string_view url)
{
    document_->BeginLoad(html, url);
    QTimer::singleShot(0, this, [this] { FinishPendingLoad(); });
}

void HtmlView::FinishPendingLoad()
{
    if (!document_->IsBusy())
        return;
    if (document_->CompleteLoad())
        emit loadCompleted();
}

void HtmlView::ShowPicture(const std::u16string& source, QImage pixels)
{
    layout_->ShowPicture(source, std::move(pixels));
    UpdateScrollRange();
    viewport()->update();
}

void HtmlView::SetEditable(bool editable)
{
    document_->SetDesignMode(editable ? u"On" : u"Off");
    preedit_.clear();
    ScheduleSelectionRepaint();
}

bool HtmlView::IsEditable() const
{
    return document_->IsDesignMode();
}

bool HtmlView::Exec(int commandId, const CommandValue& argument, bool prompt)
{
    bool done = commands_->Exec(commandId, argument, prompt);
    if (done && commandId == command::Paste)
        emit pasted();
    return done;
}

void HtmlView::SetKeyFilter(KeyFilter filter)
{
    keyFilter_ = std::move(filter);
}

// ---- document notifications -------------------------------------------

void HtmlView::NodeChanged(Node& node, ChangeKind)
{
    touched_.push_back(&node);
}

void HtmlView::EditFinished()
{
    layout_->Update();
    QRectF dirty;
    bool everything = false;
    for (Node* node : touched_) {
        Element* unit = RepaintUnit(node);
        QRectF area = unit ? layout_->ElementRect(*unit) : QRectF();
        if (area.isNull()) {
            everything = true;
            break;
        }
        dirty |= area;
    }
    touched_.clear();

    // A block that grew or shrank moved everything below it.
    int height = layout_->Height();
    if (height != contentHeight_ && !dirty.isNull())
        dirty.setBottom(std::max(height, contentHeight_));
    UpdateScrollRange();
    if (everything) {
        viewport()->update();
    } else if (!dirty.isNull()) {
        dirty.setLeft(0);
        dirty.setRight(FullWidth());
        RepaintDocumentRect(dirty);
    }
    caretActivity_ = true;
    ApplySelectionChange();
}

void HtmlView::DocumentReplaced()
{
    touched_.clear();
    anchor_ = focus_ = {};
    ownSelection_ = {};
    goalX_.reset();
    preedit_.clear();
    paintedSelection_ = {};
    dragging_ = false;
    verticalScrollBar()->setValue(0);
    UpdateScrollRange();
    viewport()->update();
}

void HtmlView::SelectionChanged()
{
    if (document_->GetSelection() != ownSelection_)
        SyncEndsFromDocument();
    if (!movingVertically_)
        goalX_.reset();
    caretActivity_ = true;
    blink_->Restart();
    ScheduleSelectionRepaint();
}

void HtmlView::ScheduleSelectionRepaint()
{
    if (selectionRepaintPending_)
        return;
    selectionRepaintPending_ = true;
    QTimer::singleShot(0, this, [this] { ApplySelectionChange(); });
}

// A blink repaints the caret alone, not a whole selected range; like a
// selection change it may come in the middle of an edit, so it waits for
// the event loop too.
void HtmlView::ScheduleCaretRepaint()
{
    if (caretRepaintPending_)
        return;
    caretRepaintPending_ = true;
    QTimer::singleShot(0, this, [this] {
        caretRepaintPending_ = false;
        if (!preedit_.isEmpty()) {
            ApplySelectionChange();
            return;
        }
        RepaintDocumentRect(CaretRect());
    });
}

void HtmlView::ApplySelectionChange()
{
    selectionRepaintPending_ = false;
    QRectF now = SelectionArea();
    RepaintDocumentRect(paintedSelection_ | now);
    paintedSelection_ = now;
    // The input method's candidate window follows the caret.
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
}

// ---- geometry -----------------------------------------------------------

int HtmlView::ScrollOffset() const
{
    return verticalScrollBar()->value();
}

int HtmlView::ScrollLeft() const
{
    return horizontalScrollBar()->value();
}

QPointF HtmlView::ToDocument(const QPointF& viewportPoint) const
{
    return viewportPoint + QPointF(ScrollLeft(), ScrollOffset());
}

QPointF HtmlView::ToViewport(const QPointF& documentPoint) const
{
    return documentPoint - QPointF(ScrollLeft(), ScrollOffset());
}

// Lines break at the viewport's width; only what is wider than a line (a
// large image, a wide table) scrolls sideways.
void HtmlView::UpdateScrollRange()
{
    contentHeight_ = layout_->Height();
    int page = viewport()->height();
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setRange(0, std::max(0, contentHeight_ - page));
    int width = viewport()->width();
    horizontalScrollBar()->setPageStep(width);
    horizontalScrollBar()->setRange(0, std::max(0, layout_->ContentWidth() - width));
}

QRectF HtmlView::CaretRectAt(const Position& position) const
{
    CaretAffinity affinity = position == focus_ ? affinity_ : CaretAffinity::NextLine;
    return layout_->CaretRect(position, affinity);
}

QRectF HtmlView::FocusRect() const
{
    const Selection& selection = document_->GetSelection();
    if (selection.IsControl())
        return layout_->ElementRect(*selection.ControlElements().front());
    if (!selection.IsTextRange())
        return {};
    Position moving = focus_.IsNull() ? selection.GetRange().end : focus_;
    return CaretRectAt(moving);
}

void HtmlView::EnsureCaretVisible()
{
    QRectF caret = FocusRect();
    if (caret.isNull())
        return;
    int top = ScrollOffset();
    int page = viewport()->height();
    if (caret.top() < top)
        verticalScrollBar()->setValue(static_cast<int>(std::floor(caret.top())));
    else if (caret.bottom() > top + page)
        verticalScrollBar()->setValue(static_cast<int>(std::ceil(caret.bottom())) - page);
    // Sideways the view jumps a quarter of its width beyond the caret, so
    // the text the user is heading into shows, and the left margin comes
    // back into view at the start of a line.
    int left = ScrollLeft();
    int width = viewport()->width();
    int context = width / 4;
    if (caret.left() < left)
        horizontalScrollBar()->setValue(static_cast<int>(std::floor(caret.left())) - context);
    else if (caret.right() > left + width)
        horizontalScrollBar()->setValue(static_cast<int>(std::ceil(caret.right())) + context -
                                        width);
}

QRectF HtmlView::CaretRect() const
{
    const Selection& selection = document_->GetSelection();
    if (!IsEditable() || !selection.IsCaret())
        return {};
    QRectF caret = CaretRectAt(selection.GetRange().start);
    if (caret.isNull())
        return {};
    // A thin line on whole pixels (a line between two pixel columns would be
    // smeared grey), a little wider on large text so it stays visible.
    return QRectF(std::round(caret.left()), caret.top(), caret.height() > 30 ? 2 : 1,
                  caret.height());
}

QRectF HtmlView::CaretViewportRect() const
{
    QRectF caret = CaretRect();
    return caret.isNull() ? caret : ToViewportRect(caret);
}

// The part of the document that changes look when the selection changes:
// the caret, the lines between a range's ends, or the controls with their
// handles.
QRectF HtmlView::SelectionArea() const
{
    const Selection& selection = document_->GetSelection();
    QRectF whole(ToDocument(QPointF(0, 0)), QSizeF(viewport()->size()));
    if (selection.IsControl()) {
        QRectF area;
        for (Element* element : selection.ControlElements())
            area |= layout_->ElementRect(*element).adjusted(-6, -6, 6, 6);
        return area.isNull() ? whole : area;
    }
    if (!selection.IsTextRange())
        return {};
    QRectF start = CaretRectAt(selection.GetRange().start);
    QRectF end = CaretRectAt(selection.GetRange().end);
    if (start.isNull() || end.isNull())
        return whole;
    QRectF area(0, start.top(), FullWidth(), end.bottom() - start.top());
    if (!preedit_.isEmpty())
        area.setHeight(std::max(area.height(), start.height() * 1.5));
    return area;
}

void HtmlView::RepaintDocumentRect(const QRectF& documentRect)
{
    if (documentRect.isNull())
        return;
    QRect onScreen = ToViewportRect(documentRect).toAlignedRect().adjusted(-2, -2, 2, 2);
    viewport()->update(onScreen);
}

QRectF HtmlView::ToViewportRect(const QRectF& documentRect) const
{
    return documentRect.translated(-ScrollLeft(), -ScrollOffset());
}

// The width a change of a whole line or block can cover on screen.
qreal HtmlView::FullWidth() const
{
    return std::max(layout_->ContentWidth(), ScrollLeft() + viewport()->width());
}

// ---- painting -----------------------------------------------------------

void HtmlView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    QRect area = event->rect();
    painter.fillRect(area, Qt::white);
    QPointF offset(ScrollLeft(), ScrollOffset());
    painter.translate(-offset);
    QRectF clip = QRectF(area).translated(offset);
    painter.setClipRect(clip);
    PaintDocument(painter, clip);
    PaintCaret(painter);
}

// While the input method composes, the rest of the caret's line moves right
// to make room for the composition, as if it were typed already; the
// document itself only changes when the input method commits.
void HtmlView::PaintDocument(QPainter& painter, const QRectF& clip) const
{
    QRectF caret = CaretRect();
    if (preedit_.isEmpty() || caret.isNull()) {
        layout_->Paint(painter, clip);
        return;
    }
    qreal room = std::ceil(PreeditAdvance(static_cast<int>(preedit_.size())));
    QRect rest =
        QRectF(caret.left(), caret.top(), PreeditLineRight() - caret.left(), caret.height())
            .toAlignedRect();
    painter.save();
    painter.setClipRegion(QRegion(clip.toAlignedRect()).subtracted(rest));
    layout_->Paint(painter, clip);
    painter.restore();

    painter.save();
    painter.translate(room, 0);
    painter.setClipRect(rest, Qt::IntersectClip);
    layout_->Paint(painter, QRectF(rest) & clip.translated(-room, 0));
    painter.restore();
    PaintPreedit(painter, room);
}

// Where the line the composition pushes aside ends: the whole width, or in
// a table the caret's cell, so the cells beside it stay where they are.
qreal HtmlView::PreeditLineRight() const
{
    for (Node* node = document_->GetSelection().GetRange().start.node; node;
         node = node->Parent()) {
        Element* element = node->AsElement();
        if (element && (element->HasTagName("TD") || element->HasTagName("TH"))) {
            QRectF cell = layout_->ElementRect(*element);
            if (!cell.isNull())
                return cell.right();
        }
    }
    return FullWidth();
}

void HtmlView::PaintCaret(QPainter& painter) const
{
    if (!hasFocus() || !blink_->IsVisible())
        return;
    QRectF caret = CaretRect();
    if (caret.isNull())
        return;
    if (!preedit_.isEmpty())
        caret.translate(PreeditAdvance(preeditCursor_), 0);
    painter.fillRect(caret, Qt::black);
}

// The composition looks like the text it will become: the font and colour
// of the text at the caret.
TextStyle HtmlView::PreeditStyle() const
{
    const Selection& selection = document_->GetSelection();
    if (!selection.IsTextRange())
        return {font(), Qt::black};
    return layout_->TextStyleAt(selection.GetRange().start);
}

QFont HtmlView::PreeditFont() const
{
    return PreeditStyle().font;
}

qreal HtmlView::PreeditAdvance(int characters) const
{
    QFontMetricsF metrics(PreeditFont());
    return metrics.horizontalAdvance(preedit_.left(characters));
}

void HtmlView::PaintPreedit(QPainter& painter, qreal width) const
{
    QRectF caret = CaretRect();
    TextStyle style = PreeditStyle();
    QFontMetricsF metrics(style.font);
    painter.fillRect(QRectF(caret.left(), caret.top(), width, caret.height()), Qt::white);
    painter.setFont(style.font);
    painter.setPen(style.color);
    qreal baseline = caret.bottom() - (caret.height() - metrics.height()) / 2 - metrics.descent();
    painter.drawText(QPointF(caret.left(), baseline), preedit_);
    // The underline that marks text still being composed.
    painter.drawLine(QPointF(caret.left(), baseline + 2),
                     QPointF(caret.left() + metrics.horizontalAdvance(preedit_), baseline + 2));
}

// ---- size and scrolling -------------------------------------------------

void HtmlView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layout_->SetWidth(viewport()->width());
    UpdateScrollRange();
    paintedSelection_ = {};
    viewport()->update();
}

void HtmlView::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

// ---- focus and the caret signal -----------------------------------------

void HtmlView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (IsEditable())
        EnsureCaret();
    blink_->Start();
    caretActivity_ = true;
    caretTimer_.start();
}

void HtmlView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    blink_->Stop();
    caretTimer_.stop();
    dragging_ = false;
    autoScroll_.stop();
    emit focusLeft();
}

void HtmlView::CaretTimerTick()
{
    if (!caretActivity_)
        return;
    caretActivity_ = false;
    emit caretMoved();
}

} // namespace vellum::html
