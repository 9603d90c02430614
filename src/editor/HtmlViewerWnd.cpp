// The view is loaded synchronously: the read dialog sets the body once,
// right after creating the window, and shows it at once.
#include "editor/HtmlViewerWnd.h"

#include "html/Document.h"
#include "htmlview/HtmlView.h"
#include "platform/ui/ControlId.h"

using namespace vellum::html;

CHtmlViewerWnd::CHtmlViewerWnd(QWidget* parent) : QWidget(parent)
{
    setWindowTitle("DHtmlWndPack");
}

bool CHtmlViewerWnd::Create(const QRect& rect, QWidget* parent, int id)
{
    if (parent)
        setParent(parent);
    vellum::ui::SetControlId(this, id);
    setGeometry(rect);
    view_ = new HtmlView(this);
    view_->setWindowTitle("DHtmlWndCore");
    vellum::ui::SetControlId(view_, kViewId);
    view_->SetEditable(false);
    view_->GetDocument().Navigate(u"about:blank");
    view_->GetDocument().CompleteLoad();
    view_->setGeometry(0, 0, width(), height());
    if (parentWidget())
        show();
    return true;
}

void CHtmlViewerWnd::SetHTML(std::string html)
{
    if (!view_)
        return;
    Document& document = view_->GetDocument();
    document.BeginLoadFromBytes(std::move(html));
    document.CompleteLoad();
}

void CHtmlViewerWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (view_)
        view_->setGeometry(0, 0, width(), height());
}
