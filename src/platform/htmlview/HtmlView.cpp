// The view keeps three things apart: the document (the engine's, edited only
// through its operations), the layout (asked for every coordinate) and what
// is on screen (repainted only where an edit or a selection change touched).
//
// Geometry is never asked for in the middle of an edit: the document tells
// its observers about every node and selection change while a step is still
// running, so the view only notes them there and acts when the step has
// finished (EditFinished) or, for selection changes outside any edit, from
// the event loop right after.
#include "platform/htmlview/HtmlView.h"

#include "platform/html/Editing.h"
#include "platform/htmlview/CaretBlink.h"
#include "platform/htmlview/CaretMotion.h"
#include "platform/htmlview/DocumentLayout.h"
#include "platform/htmlview/SystemClipboard.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <utility>

namespace vellum::html {

namespace {

// How often a load begun on the document by someone else is looked for.
constexpr int kLoadWatchMilliseconds = 50;
constexpr int kAutoScrollMilliseconds = 50;
constexpr int kScrollLineStep = 20;

// Browsers in design mode let Tab leave the editing area, which in a mail
// editor loses the user's place for nothing. Users of a mail editor expect
// Tab to indent like a word processor; a tab character would collapse into a
// single space in HTML, so four no-break spaces keep the visible width and
// survive serialization as "&nbsp;".
constexpr char16_t kTabText[] = u"\u00A0\u00A0\u00A0\u00A0";

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

bool IsPrintable(const QString& text)
{
    if (text.isEmpty())
        return false;
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() != 0x7F; });
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
    blink_ = std::make_unique<CaretBlink>([this] { ScheduleSelectionRepaint(); });

    // A browser's vertical scroll bar is always there; keeping it so also
    // keeps the line width from changing when the text grows past a page.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    // The view paints every pixel itself; no erase before the paint.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true);
    verticalScrollBar()->setSingleStep(kScrollLineStep);

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
        dirty.setRight(std::max<qreal>(layout_->Width(), viewport()->width()));
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

QPointF HtmlView::ToDocument(const QPointF& viewportPoint) const
{
    return viewportPoint + QPointF(0, ScrollOffset());
}

QPointF HtmlView::ToViewport(const QPointF& documentPoint) const
{
    return documentPoint - QPointF(0, ScrollOffset());
}

void HtmlView::UpdateScrollRange()
{
    contentHeight_ = layout_->Height();
    int page = viewport()->height();
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setRange(0, std::max(0, contentHeight_ - page));
}

QRectF HtmlView::FocusRect() const
{
    const Selection& selection = document_->GetSelection();
    if (selection.IsControl())
        return layout_->ElementRect(*selection.ControlElements().front());
    if (!selection.IsTextRange())
        return {};
    Position moving = focus_.IsNull() ? selection.GetRange().end : focus_;
    return layout_->CaretRect(moving);
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
}

QRectF HtmlView::CaretRect() const
{
    const Selection& selection = document_->GetSelection();
    if (!IsEditable() || !selection.IsCaret())
        return {};
    QRectF caret = layout_->CaretRect(selection.GetRange().start);
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
    return caret.isNull() ? caret : caret.translated(0, -ScrollOffset());
}

// The part of the document that changes look when the selection changes:
// the caret, the lines between a range's ends, or the controls with their
// handles.
QRectF HtmlView::SelectionArea() const
{
    const Selection& selection = document_->GetSelection();
    QRectF whole(0, ScrollOffset(), viewport()->width(), viewport()->height());
    if (selection.IsControl()) {
        QRectF area;
        for (Element* element : selection.ControlElements())
            area |= layout_->ElementRect(*element).adjusted(-6, -6, 6, 6);
        return area.isNull() ? whole : area;
    }
    if (!selection.IsTextRange())
        return {};
    QRectF start = layout_->CaretRect(selection.GetRange().start);
    QRectF end = layout_->CaretRect(selection.GetRange().end);
    if (start.isNull() || end.isNull())
        return whole;
    QRectF area(0, start.top(), std::max<qreal>(layout_->Width(), viewport()->width()),
                end.bottom() - start.top());
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
    return documentRect.translated(0, -ScrollOffset());
}

// ---- painting -----------------------------------------------------------

void HtmlView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    QRect area = event->rect();
    painter.fillRect(area, Qt::white);
    int offset = ScrollOffset();
    painter.translate(0, -offset);
    QRectF clip = QRectF(area).translated(0, offset);
    painter.setClipRect(clip);
    layout_->Paint(painter, clip);
    PaintPreedit(painter);
    PaintCaret(painter);
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

QFont HtmlView::PreeditFont() const
{
    // The layout does not say which font the caret's text uses; a font
    // filling the caret's line the way text usually does is close enough
    // for the few characters being composed.
    QFont preeditFont = font();
    QRectF caret = CaretRect();
    if (!caret.isNull())
        preeditFont.setPixelSize(std::max(8, static_cast<int>(caret.height() * 0.8)));
    return preeditFont;
}

qreal HtmlView::PreeditAdvance(int characters) const
{
    QFontMetricsF metrics(PreeditFont());
    return metrics.horizontalAdvance(preedit_.left(characters));
}

void HtmlView::PaintPreedit(QPainter& painter) const
{
    if (preedit_.isEmpty())
        return;
    QRectF caret = CaretRect();
    if (caret.isNull())
        return;
    QFont preeditFont = PreeditFont();
    QFontMetricsF metrics(preeditFont);
    // The composition covers what follows the caret instead of pushing it
    // aside: the document is not changed until the input method commits.
    QRectF box(caret.left(), caret.top(), metrics.horizontalAdvance(preedit_) + 2, caret.height());
    painter.fillRect(box, Qt::white);
    painter.setFont(preeditFont);
    painter.setPen(Qt::black);
    qreal baseline = caret.bottom() - (caret.height() - metrics.height()) / 2 - metrics.descent();
    painter.drawText(QPointF(caret.left(), baseline), preedit_);
    painter.drawLine(QPointF(box.left(), baseline + 2), QPointF(box.right() - 2, baseline + 2));
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

void HtmlView::scrollContentsBy(int, int dy)
{
    viewport()->scroll(0, dy);
}

// ---- the selection's two ends -------------------------------------------

void HtmlView::SyncEndsFromDocument()
{
    const Selection& selection = document_->GetSelection();
    ownSelection_ = selection;
    if (selection.IsTextRange()) {
        anchor_ = selection.GetRange().start;
        focus_ = selection.GetRange().end;
    } else {
        anchor_ = focus_ = {};
    }
}

void HtmlView::SetCaretAt(const Position& position)
{
    SelectBetween(position, position);
}

void HtmlView::SelectBetween(const Position& anchor, const Position& focus)
{
    if (anchor.IsNull() || focus.IsNull())
        return;
    anchor_ = anchor;
    focus_ = focus;
    ownSelection_ = Selection::TextRange(anchor, focus);
    document_->SetSelection(ownSelection_);
}

// Where movement starts when the selection is not a text range: next to a
// selected control, else at the body's first caret place.
Position HtmlView::MovementOrigin(ViewAction action) const
{
    const Selection& selection = document_->GetSelection();
    if (selection.IsTextRange() && !focus_.IsNull())
        return focus_;
    if (selection.IsControl()) {
        const Element& control = *selection.ControlElements().front();
        bool backwards = action == ViewAction::CharacterLeft || action == ViewAction::WordLeft ||
                         action == ViewAction::LineUp || action == ViewAction::PageUp;
        return layout_->CaretPosition(backwards ? PositionBefore(control) : PositionAfter(control));
    }
    Element* body = document_->Body();
    return body ? layout_->CaretPosition({body, 0}) : Position{};
}

// ---- keys ---------------------------------------------------------------

bool HtmlView::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (keyFilter_ && keyFilter_(*key)) {
            key->accept();
            return true;
        }
        // Tab and Shift+Tab would move the focus before keyPressEvent saw
        // them; while editing, Tab is text.
        if (key->key() == Qt::Key_Tab && IsEditable() &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys the view acts on beat a window's shortcuts, as in any editor.
        auto* key = static_cast<QKeyEvent*>(event);
        KeyAction action = ActionForKey(*key);
        bool typed = IsEditable() && IsPrintable(key->text()) &&
                     !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (action.action != ViewAction::None || typed) {
            key->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void HtmlView::keyPressEvent(QKeyEvent* event)
{
    KeyAction action = ActionForKey(*event);
    if (action.action != ViewAction::None) {
        RunAction(action);
        event->accept();
        return;
    }
    bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && IsEditable() && IsPrintable(event->text())) {
        TypeText(event->text());
        event->accept();
        return;
    }
    event->ignore();
}

void HtmlView::RunAction(const KeyAction& action)
{
    if (IsMovement(action.action)) {
        Move(action);
        return;
    }
    switch (action.action) {
    case ViewAction::SelectAll:
        commands_->Exec(command::SelectAll);
        return;
    case ViewAction::Copy:
        commands_->Exec(command::Copy);
        return;
    default:
        RunEdit(action.action);
    }
}

void HtmlView::Move(const KeyAction& action)
{
    const Selection& selection = document_->GetSelection();
    // Left and Right on a range without Shift land on its start or end,
    // without moving further.
    if (!action.extendSelection && selection.IsTextRange() && !selection.IsCaret()) {
        if (action.action == ViewAction::CharacterLeft) {
            SetCaretAt(selection.GetRange().start);
            EnsureCaretVisible();
            return;
        }
        if (action.action == ViewAction::CharacterRight) {
            SetCaretAt(selection.GetRange().end);
            EnsureCaretVisible();
            return;
        }
    }
    Position from = MovementOrigin(action.action);
    if (from.IsNull())
        return;
    bool vertical = IsVerticalMovement(action.action);
    if (vertical && !goalX_) {
        QRectF caret = layout_->CaretRect(from);
        goalX_ = caret.isNull() ? 0.0 : caret.left();
    }
    MotionMetrics metrics{goalX_.value_or(0.0), static_cast<qreal>(viewport()->height())};
    Position to = MovedPosition(*layout_, action.action, from, metrics);

    movingVertically_ = vertical;
    Position anchor = action.extendSelection && !anchor_.IsNull() ? anchor_ : to;
    if (action.extendSelection && anchor_.IsNull())
        anchor = from;
    SelectBetween(anchor, to);
    movingVertically_ = false;

    // The page keys move the view by a page as well as the caret.
    if (action.action == ViewAction::PageUp)
        verticalScrollBar()->setValue(ScrollOffset() - viewport()->height());
    else if (action.action == ViewAction::PageDown)
        verticalScrollBar()->setValue(ScrollOffset() + viewport()->height());
    EnsureCaretVisible();
}

void HtmlView::RunEdit(ViewAction action)
{
    if (!IsEditable())
        return;
    switch (action) {
    case ViewAction::DeleteBackward:
        DeleteBackward(*document_);
        break;
    case ViewAction::DeleteForward:
        DeleteForward(*document_);
        break;
    case ViewAction::InsertParagraph:
        InsertParagraph(*document_);
        break;
    case ViewAction::InsertLineBreak:
        InsertLineBreak(*document_);
        break;
    case ViewAction::InsertTab:
        InsertText(*document_, kTabText);
        break;
    case ViewAction::Cut:
        commands_->Exec(command::Cut);
        break;
    case ViewAction::Paste:
        Exec(command::Paste);
        break;
    case ViewAction::Undo:
        commands_->Exec(command::Undo);
        break;
    case ViewAction::Redo:
        commands_->Exec(command::Redo);
        break;
    default:
        return;
    }
    AfterUserEdit();
}

void HtmlView::TypeText(const QString& text)
{
    if (!IsEditable())
        return;
    InsertText(*document_, text.toStdU16String());
    AfterUserEdit();
}

void HtmlView::AfterUserEdit()
{
    SyncEndsFromDocument();
    blink_->Restart();
    EnsureCaretVisible();
}

// ---- input method -------------------------------------------------------

void HtmlView::inputMethodEvent(QInputMethodEvent* event)
{
    if (!IsEditable()) {
        event->ignore();
        return;
    }
    if (event->replacementLength() > 0)
        SelectAroundCaret(event->replacementStart(), event->replacementLength());
    if (!event->commitString().isEmpty())
        InsertText(*document_, event->commitString().toStdU16String());
    else if (event->replacementLength() > 0)
        DeleteSelection(*document_);

    preedit_ = event->preeditString();
    preeditCursor_ = static_cast<int>(preedit_.size());
    for (const QInputMethodEvent::Attribute& attribute : event->attributes())
        if (attribute.type == QInputMethodEvent::Cursor)
            preeditCursor_ = std::clamp(attribute.start, 0, static_cast<int>(preedit_.size()));
    AfterUserEdit();
    ScheduleSelectionRepaint();
    event->accept();
}

// The input method replaces text relative to the caret (a correction of
// what was just committed); only text in the caret's own text node can be
// addressed that way.
void HtmlView::SelectAroundCaret(int start, int length)
{
    const Selection& selection = document_->GetSelection();
    if (!selection.IsCaret())
        return;
    Position caret = selection.GetRange().start;
    const CharacterData* text = caret.node->AsCharacterData();
    if (!text)
        return;
    long from = static_cast<long>(caret.offset) + start;
    long to = from + length;
    if (from < 0 || to > static_cast<long>(text->Length()))
        return;
    SelectBetween({caret.node, static_cast<std::size_t>(from)},
                  {caret.node, static_cast<std::size_t>(to)});
}

QVariant HtmlView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const Selection& selection = document_->GetSelection();
    Position caret = selection.IsTextRange() ? selection.GetRange().end : Position{};
    const CharacterData* text = caret.IsNull() ? nullptr : caret.node->AsCharacterData();
    switch (query) {
    case Qt::ImEnabled:
        return IsEditable();
    case Qt::ImCursorRectangle: {
        QRectF rect = CaretViewportRect();
        if (rect.isNull())
            return QRect();
        rect.translate(PreeditAdvance(preeditCursor_), 0);
        return rect.translated(viewport()->pos()).toAlignedRect();
    }
    case Qt::ImFont:
        return PreeditFont();
    case Qt::ImCursorPosition:
        return text ? static_cast<int>(caret.offset) : 0;
    case Qt::ImAnchorPosition: {
        Position start = selection.IsTextRange() ? selection.GetRange().start : Position{};
        if (text && start.node == caret.node)
            return static_cast<int>(start.offset);
        return text ? static_cast<int>(caret.offset) : 0;
    }
    case Qt::ImSurroundingText:
        return text ? QString::fromStdU16String(text->Data()) : QString();
    case Qt::ImCurrentSelection:
        return QString::fromStdU16String(SelectionText(*document_));
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---- mouse --------------------------------------------------------------

void HtmlView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    // A click ends a composition the way the input method would: its text
    // goes in before the caret moves.
    if (!preedit_.isEmpty())
        QGuiApplication::inputMethod()->commit();
    HitResult hit = layout_->HitTest(ToDocument(event->position()));
    pressedLink_ = IsEditable() ? nullptr : hit.link;
    if ((event->modifiers() & Qt::ShiftModifier) && !anchor_.IsNull()) {
        SelectBetween(anchor_, hit.position);
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
    SetCaretAt(hit.position);
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
    if (IsEditable())
        return;
    // Read-only: links show the hand, though a click only tells the owner.
    HitResult hit = layout_->HitTest(ToDocument(event->position()));
    viewport()->setCursor(hit.link ? Qt::PointingHandCursor : Qt::IBeamCursor);
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
    dragging_ = false;
    pressedLink_ = nullptr;
}

void HtmlView::ExtendDragTo(const QPoint& viewportPoint)
{
    if (anchor_.IsNull())
        return;
    HitResult hit = layout_->HitTest(ToDocument(viewportPoint));
    SelectBetween(anchor_, hit.position);
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

// ---- focus and the caret signal -----------------------------------------

void HtmlView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
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
