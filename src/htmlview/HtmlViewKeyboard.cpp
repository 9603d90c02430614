// The view's keyboard and input-method side: what each key does to the
// selection or the document, the two ends of the selection (the document's
// range has no direction, the user's selection does), and composition of
// Chinese text through the input method.
#include "html/CellMoves.h"
#include "html/Editing.h"
#include "htmlview/CaretBlink.h"
#include "htmlview/CaretMotion.h"
#include "htmlview/DocumentLayout.h"
#include "htmlview/HtmlView.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace vellum::html {

namespace {

// Browsers in design mode let Tab leave the editing area, which in a mail
// editor loses the user's place for nothing. Users of a mail editor expect
// Tab to indent like a word processor; a tab character would collapse into a
// single space in HTML, so four no-break spaces keep the visible width and
// survive serialization as "&nbsp;".
constexpr char16_t kTabText[] = u"\u00A0\u00A0\u00A0\u00A0";

bool IsPrintable(const QString& text)
{
    if (text.isEmpty())
        return false;
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() != 0x7F; });
}

// Tab and Shift+Tab presses the editing view keeps from the focus chain.
bool IsEditingTab(const HtmlView& view, const QKeyEvent& key)
{
    if (!view.IsEditable() || (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    if (key.key() == Qt::Key_Tab && !(key.modifiers() & Qt::ShiftModifier))
        return true;
    const Selection& selection = view.GetDocument().GetSelection();
    bool inCell = selection.IsTextRange() && EnclosingCell(selection.GetRange().start.node);
    return inCell && (key.key() == Qt::Key_Backtab || key.key() == Qt::Key_Tab);
}

} // namespace

// ---- the selection's two ends -------------------------------------------

void HtmlView::SyncEndsFromDocument()
{
    const Selection& selection = document_->GetSelection();
    ownSelection_ = selection;
    affinity_ = CaretAffinity::NextLine;
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

void HtmlView::SelectBetween(const Position& anchor, const Position& focus, CaretAffinity affinity)
{
    if (anchor.IsNull() || focus.IsNull())
        return;
    // The same position on the other line of a wrap is no change to the
    // document's selection, but the caret moves on screen.
    if (affinity != affinity_)
        ScheduleSelectionRepaint();
    anchor_ = anchor;
    focus_ = focus;
    affinity_ = affinity;
    ownSelection_ = Selection::TextRange(anchor, focus);
    document_->SetSelection(ownSelection_);
}

// Keys and the input method need somewhere to act: a document nobody has
// clicked in yet gets the caret at the start of its body, as a browser's
// editing area does when it takes the focus.
void HtmlView::EnsureCaret()
{
    Element* body = document_->Body();
    if (!document_->GetSelection().IsNone() || !body)
        return;
    Position start = layout_->CaretPosition({body, 0});
    if (!start.IsNull())
        SetCaretAt(start);
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
        // them; while editing, Tab is text or the next cell, and Shift+Tab
        // the cell before. Outside tables Shift+Tab still leaves the view.
        if (IsEditingTab(*this, *key)) {
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
        if (!IsEditable() && !action.extendSelection)
            ScrollForKey(action.action);
        else
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

// The read-only view has no caret to move, so the movement keys scroll it
// as a browser's page does; with Shift they still extend the selection.
void HtmlView::ScrollForKey(ViewAction action)
{
    QScrollBar* bar = verticalScrollBar();
    switch (action) {
    case ViewAction::LineUp:
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case ViewAction::LineDown:
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case ViewAction::PageUp:
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case ViewAction::PageDown:
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case ViewAction::DocumentStart:
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case ViewAction::DocumentEnd:
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    default:
        break;
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
        QRectF caret = CaretRectAt(from);
        goalX_ = caret.isNull() ? 0.0 : caret.left();
    }
    MotionMetrics metrics{goalX_.value_or(0.0), static_cast<qreal>(viewport()->height())};
    CaretAffinity fromAffinity = from == focus_ ? affinity_ : CaretAffinity::NextLine;
    CaretLocation to = MovedPosition(*layout_, action.action, {from, fromAffinity}, metrics);

    movingVertically_ = vertical;
    Position anchor = action.extendSelection && !anchor_.IsNull() ? anchor_ : to.position;
    if (action.extendSelection && anchor_.IsNull())
        anchor = from;
    SelectBetween(anchor, to.position, to.affinity);
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
    EnsureCaret();
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
        if (!MoveToNextCell(*document_))
            InsertText(*document_, kTabText);
        break;
    case ViewAction::TabBackward:
        MoveToPreviousCell(*document_);
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
    case ViewAction::Bold:
        commands_->Exec(command::Bold);
        break;
    case ViewAction::Italic:
        commands_->Exec(command::Italic);
        break;
    case ViewAction::Underline:
        commands_->Exec(command::Underline);
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
    EnsureCaret();
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
    EnsureCaret();
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
    case Qt::ImTextBeforeCursor:
        return text ? QString::fromStdU16String(text->Data().substr(0, caret.offset)) : QString();
    case Qt::ImTextAfterCursor:
        return text ? QString::fromStdU16String(text->Data().substr(caret.offset)) : QString();
    case Qt::ImCurrentSelection:
        return QString::fromStdU16String(SelectionText(*document_));
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

} // namespace vellum::html
