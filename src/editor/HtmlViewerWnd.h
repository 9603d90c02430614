// CHtmlViewerWnd: the read-only HTML view of the read dialog. A child
// window ("DHtmlWndPack") holding an HtmlView with editing off ("DHtmlWndCore",
// control 5001) that fills it on every resize. Nothing a body holds ever
// runs or is fetched; a click on a link opens nothing.
#pragma once

#include <QRect>
#include <QWidget>

#include <string>

namespace vellum::html {
class HtmlView;
}

class CHtmlViewerWnd : public QWidget
{
public:
    static constexpr int kViewId = 5001;

    explicit CHtmlViewerWnd(QWidget* parent = nullptr);

    bool Create(const QRect& rect, QWidget* parent, int id);
    // Shows the text (host code page bytes) as it is.
    void SetHTML(std::string html);

    vellum::html::HtmlView* GetView() const { return view_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    vellum::html::HtmlView* view_ = nullptr;
};
