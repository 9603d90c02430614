// Creating the editor, loading bodies, the readiness check and the hooks on
// the editing area (keys, focus loss, pastes, caret moves, drops).
#include "editor/HtmlEditor.h"

#include "html/AsciiSafeParse.h"
#include "html/Document.h"
#include "html/Editing.h"
#include "html/Serializer.h"
#include "htmlview/HtmlView.h"
#include "platform/text/CodePage.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/WindowStyles.h"
#include "ui/LayoutCtrl.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>

using namespace vellum::html;
using namespace vellum::ui;

namespace {

constexpr char16_t kEmptyDocument[] =
    u"<HTML><HEAD><META http-equiv='Content-Type' content='text/html; charset=gb2312' />"
    u"</HEAD><BODY><DIV></DIV></BODY></HTML>";
constexpr int kSourceFontPixels = 14;

std::u16string Widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

} // namespace

CHtmlEditor::CHtmlEditor(QWidget* parent) : QWidget(parent)
{
    setWindowTitle("DHtmlEditorPack");
}

CHtmlEditor::~CHtmlEditor()
{
    // The view's commands point at members that go before the view does.
    if (view_) {
        disconnect(view_, nullptr, this, nullptr);
        view_->Commands().SetClipboard(nullptr);
        view_->Commands().SetAddressPrompt(nullptr);
        view_->SetKeyFilter({});
    }
}

// The browser this editor was built for needed five display settings written
// to the registry here so that it would show the document's own colours,
// fonts and sizes and its inline pictures. Vellum's view does all of that by
// construction, so nothing is written.
bool CHtmlEditor::Create(const QRect& rect, QWidget* parent, int id)
{
    if (parent)
        setParent(parent);
    SetControlId(this, id);
    setGeometry(rect);

    view_ = new HtmlView(this);
    view_->setWindowTitle("DHtmlEditor");
    SetControlId(view_, kBrowserId);
    view_->Commands().SetClipboard(&clipboard_);
    view_->Commands().SetAddressPrompt(&addressPrompt_);
    view_->SetKeyFilter([this](QKeyEvent& key) { return FilterKey(key); });
    connect(view_, &HtmlView::loadCompleted, this, [this] { OnDocumentComplete(); });
    connect(view_, &HtmlView::focusLeft, this, [this] { PostCommand(parentWidget(), kFocusLeft); });
    connect(view_, &HtmlView::pasted, this, [this] {
        recheckPending_ = true;
        CheckReadiness();
    });
    connect(view_, &HtmlView::caretMoved, this, [this] { OnCommand(kRefreshToolbar); });
    view_->viewport()->setAcceptDrops(true);
    view_->viewport()->installEventFilter(this);
    document_.Attach(view_);

    sourceView_ = new QPlainTextEdit(this);
    SetControlId(sourceView_, kSourceViewId);
    sourceView_->setFrameShape(QFrame::StyledPanel);
    sourceView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sourceView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sourceView_->setLineWrapMode(QPlainTextEdit::NoWrap);
    sourceView_->setTabChangesFocus(false);
    sourceView_->setContextMenuPolicy(Qt::NoContextMenu);
    FontRequest font;
    font.pixelHeight = kSourceFontPixels;
    sourceView_->setFont(MakeFont(font));
    sourceView_->hide();

    toolbar_ = new CLayoutCtrl(this);
    toolbar_->Create(QRect(0, 0, width(), kToolbarHeight), this, kToolbarId,
                     kStyleVisible | kStyleTabStop);
    BuildToolbar();

    PlaceChildren();
    if (parentWidget())
        show();
    view_->Load(u"", u"about:blank");
    return true;
}

void CHtmlEditor::SetInitialHTML(const std::string& html)
{
    initialHtml_ = html;
    if (initialized_)
        LoadHTML(vellum::text::ToUtf16(initialHtml_));
}

bool CHtmlEditor::GetHTML(std::string& html)
{
    FinishLoading();
    Document* document = document_.GetDocument();
    Element* root = document ? document->DocumentElement() : nullptr;
    if (!root)
        return false;
    html = ToHostBytes(root->OuterHtml());
    return true;
}

std::uint64_t CHtmlEditor::BodyStamp() const
{
    Document* document = document_.GetDocument();
    return document ? document->ChangeStamp() : 0;
}

// The view finishes loads from its event loop; a caller that needs the
// document now (GetHTML, a test, a benchmark) completes them here, with the
// same steps the view's completion signal would have run.
void CHtmlEditor::FinishLoading()
{
    Document* document = document_.GetDocument();
    while (document && document->IsBusy()) {
        document->CompleteLoad();
        OnDocumentComplete();
    }
}

void CHtmlEditor::OnDocumentComplete()
{
    document_.Attach(view_);
    if (!initialized_) {
        initialized_ = true;
        document_.SetDesignMode(true);
        LoadHTML(vellum::text::ToUtf16(initialHtml_));
        document_.ExecCommand(command::KeepSelection, CommandValue::Boolean(true));
        document_.ExecCommand(command::AutoUrlDetect, CommandValue::Boolean(true));
    }
    CheckReadiness();
}

// The view parses what it is given; the ASCII-safe form is what the editor
// has always handed its browser, so a body reads the same whatever code page
// the host runs in. A body that parses the same as that form goes to the
// view as it is: a reference per Chinese character would only cost time.
void CHtmlEditor::LoadHTML(const std::u16string& html)
{
    std::u16string text = html.empty() ? std::u16string(kEmptyDocument) : html;
    documentReady_ = false;
    recheckPending_ = true;
    if (ParsesAsItsAsciiSafeForm(text))
        view_->Load(text);
    else
        view_->Load(Widen(ToAsciiSafeHtml(text)));
}

void CHtmlEditor::CheckReadiness()
{
    Document* document = document_.GetDocument();
    if (!document || document->IsBusy() || !document->Body())
        return;
    documentReady_ = true;
    if (recheckPending_) {
        recheckPending_ = false;
        document_.EnsureBody(false);
    }
    emit documentReady();
}

// Only Ctrl alone counts; with Shift or Alt the key is the view's.
bool CHtmlEditor::FilterKey(const QKeyEvent& key)
{
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
        return false;
    switch (key.key()) {
    case Qt::Key_H:
        document_.ExecCommand(command::HorizontalLine);
        return true;
    case Qt::Key_N:
    case Qt::Key_S:
        return true;
    case Qt::Key_O:
        document_.InsertColumn(true);
        return true;
    case Qt::Key_R:
        document_.InsertRow(true);
        return true;
    case Qt::Key_T:
        document_.InsertTable(2, 2);
        return true;
    default:
        return false;
    }
}

// A picture dragged onto the body (an image file from a file manager, a
// picture from another program) goes in where it is dropped, as a paste of
// it would. Text and markup drags are left alone.
bool CHtmlEditor::eventFilter(QObject* watched, QEvent* event)
{
    const bool dragging = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove;
    if (watched != view_->viewport() || (!dragging && event->type() != QEvent::Drop))
        return QWidget::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    if (!view_->IsEditable() || !data || (!data->hasUrls() && !data->hasImage())) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (!dragging)
        DropPictures(*data, drop->position());
    return true;
}

void CHtmlEditor::DropPictures(const QMimeData& data, const QPointF& viewportPoint)
{
    vellum::html::ClipboardContent content = PastedContent(data);
    Document* document = document_.GetDocument();
    if (content.html.empty() || !document)
        return;
    HitResult hit = view_->Layout().HitTest(view_->ToDocument(viewportPoint));
    if (!hit.position.IsNull())
        document->SetSelection(Selection::Caret(hit.position));
    if (!PasteHtml(*document, content.html))
        return;
    recheckPending_ = true;
    CheckReadiness();
}

void CHtmlEditor::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceChildren();
}

void CHtmlEditor::PlaceChildren()
{
    if (!view_)
        return;
    const int below = std::max(0, height() - kToolbarHeight);
    toolbar_->setGeometry(0, 0, width(), kToolbarHeight);
    sourceView_->setGeometry(0, kToolbarHeight, width(), below);
    view_->setGeometry(0, kToolbarHeight, width(), sourceMode_ ? 0 : below);
}
