// HtmlView: the widget in which a user reads and writes an HTML body. It is
// the editing area of the HTML editor (design mode) and, with editing off,
// the read-only view of the read dialog.
//
// The view paints its document through a DocumentLayout sized to the
// viewport's width, scrolled by the vertical scroll bar, and turns keys,
// mouse, clipboard and input-method events into the engine's editing
// operations. Nothing it shows ever acts by itself: a click on a link is at
// most a signal to the owner.
//
// The owner gets the hooks the editor needs from a browser's editing area:
// a key filter that sees every key before the view does, the swallowed
// context menu as a signal, focus loss, pastes, and a periodic signal while
// the caret moves (for the toolbar).
#pragma once

#include "html/CommandTarget.h"
#include "html/Document.h"
#include "html/Position.h"
#include "htmlview/DocumentLayout.h"
#include "htmlview/ViewKeys.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QPoint>
#include <QRectF>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace vellum::html {

class CaretBlink;
class SystemClipboard;

class HtmlView : public QAbstractScrollArea, private DocumentObserver
{
    Q_OBJECT

public:
    // A view over a document of its own (blank, design mode off).
    explicit HtmlView(QWidget* parent = nullptr);
    // A view over a document the caller owns and keeps alive longer.
    explicit HtmlView(Document& document, QWidget* parent = nullptr);
    ~HtmlView() override;

    Document& GetDocument() const { return *document_; }
    DocumentLayout& Layout() const { return *layout_; }
    // The document's commands, wired to the system clipboard.
    CommandTarget& Commands() const { return *commands_; }

    // Starts loading `html`; the view finishes the load from its event loop
    // (the document reports busy until then) and emits loadCompleted.
    // Loads begun on the document directly are finished the same way.
    void Load(std::u16string_view html, std::u16string_view url = u"about:blank");

    // The images whose source attribute is `source` show `pixels` from now
    // on, until the next load: a remote picture fetched at the reader's
    // request. The document itself is not touched.
    void ShowPicture(const std::u16string& source, QImage pixels);

    // Editing on (the document's design mode "On") or read-only ("Off").
    void SetEditable(bool editable);
    bool IsEditable() const;

    // Runs an editing command as the owner's toolbar would; a paste through
    // here emits pasted like a Ctrl+V.
    bool Exec(int commandId, const CommandValue& argument = {}, bool prompt = false);

    // Sees every key press before the view acts on it; returning true
    // swallows the key. One filter at a time; an empty function removes it.
    using KeyFilter = std::function<bool(QKeyEvent&)>;
    void SetKeyFilter(KeyFilter filter);

    // How often, at most, caretMoved is emitted while the view has focus.
    static constexpr int kCaretSignalMilliseconds = 250;

    // Scrolls the least distance that brings the caret (the selection's
    // moving end) into view.
    void EnsureCaretVisible();

    // The caret rectangle in viewport coordinates, null when none is shown.
    QRectF CaretViewportRect() const;
    // Document coordinates of a viewport point, and back.
    QPointF ToDocument(const QPointF& viewportPoint) const;
    QPointF ToViewport(const QPointF& documentPoint) const;

    // The text being composed by the input method (shown at the caret, not
    // yet in the document).
    const QString& PreeditText() const { return preedit_; }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    // A load finished and the document holds the new tree.
    void loadCompleted();
    // The user asked for a context menu; none is shown.
    void contextMenuRequested(QPoint globalPosition);
    // The keyboard focus left the editing area.
    void focusLeft();
    // A paste changed the document.
    void pasted();
    // Emitted every kCaretSignalMilliseconds while the view has focus, when
    // the selection or the document changed since the previous emission:
    // often enough for a toolbar to follow the caret as the user types or
    // moves, and silent while nothing happens, so the owner's refresh does
    // not run four times a second for nothing.
    void caretMoved();
    // A link was clicked in the read-only view; nothing is opened.
    void linkClicked(QString address);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Initialize();

    // DocumentObserver
    void NodeChanged(Node& node, ChangeKind kind) override;
    void EditFinished() override;
    void DocumentReplaced() override;
    void SelectionChanged() override;

    void FinishPendingLoad();
    void UpdateScrollRange();
    int ScrollOffset() const;
    int ScrollLeft() const;

    // The selection as the view sees it: where it started and where its
    // moving end is (the document's range has no direction).
    void SetCaretAt(const Position& position);
    void SelectBetween(const Position& anchor, const Position& focus,
                       CaretAffinity affinity = CaretAffinity::NextLine);
    void SyncEndsFromDocument();
    Position MovementOrigin(ViewAction action) const;
    void EnsureCaret();

    void RunAction(const KeyAction& action);
    void Move(const KeyAction& action);
    void ScrollForKey(ViewAction action);
    void RunEdit(ViewAction action);
    void TypeText(const QString& text);
    void AfterUserEdit();
    void SelectAroundCaret(int start, int length);

    void ExtendDragTo(const QPoint& viewportPoint);
    bool IsTripleClick(const QPoint& point) const;
    void SelectBlockAround(const Position& position);
    void AutoScrollStep();

    // Geometry in document coordinates.
    QRectF CaretRect() const;
    // The caret rectangle at a position, on the line the user left the
    // moving end on when the position is that end.
    QRectF CaretRectAt(const Position& position) const;
    qreal FullWidth() const;
    QRectF FocusRect() const;
    QRectF SelectionArea() const;
    QRectF ToViewportRect(const QRectF& documentRect) const;

    // Repainting only what changed.
    void ScheduleSelectionRepaint();
    void ScheduleCaretRepaint();
    void ApplySelectionChange();
    void RepaintDocumentRect(const QRectF& documentRect);
    void PaintCaret(QPainter& painter) const;
    void PaintDocument(QPainter& painter, const QRectF& clip) const;
    void PaintPreedit(QPainter& painter, qreal width) const;
    qreal PreeditLineRight() const;
    TextStyle PreeditStyle() const;
    QFont PreeditFont() const;
    qreal PreeditAdvance(int characters) const;

    void CaretTimerTick();

    Document* document_ = nullptr;
    std::unique_ptr<Document> ownDocument_;
    std::unique_ptr<DocumentLayout> layout_;
    std::unique_ptr<SystemClipboard> clipboard_;
    std::unique_ptr<CommandTarget> commands_;
    std::unique_ptr<CaretBlink> blink_;
    KeyFilter keyFilter_;

    Position anchor_;
    Position focus_;
    // The selection the view itself last set; anything else came from
    // outside (a command, undo, the owner) and resets anchor and focus.
    Selection ownSelection_;
    // Where a wrapped line's end and the next line's start are one
    // position, which of the two lines the moving end shows on.
    CaretAffinity affinity_ = CaretAffinity::NextLine;
    std::optional<qreal> goalX_;
    bool movingVertically_ = false;

    // Nodes changed since the last EditFinished, for the repaint.
    std::vector<Node*> touched_;
    int contentHeight_ = 0;
    QRectF paintedSelection_;
    bool selectionRepaintPending_ = false;
    bool caretRepaintPending_ = false;

    QString preedit_;
    int preeditCursor_ = 0;

    bool dragging_ = false;
    QPoint lastDragPoint_;
    Element* pressedLink_ = nullptr;
    // After a double click the drag goes by words, and a third click soon
    // after on the same spot selects the paragraph.
    bool selectingWords_ = false;
    Range clickedWord_;
    QElapsedTimer lastDoubleClick_;
    QPoint lastDoubleClickPoint_;
    QTimer autoScroll_;
    QTimer loadWatch_;
    QTimer caretTimer_;
    bool caretActivity_ = false;
};

} // namespace vellum::html
