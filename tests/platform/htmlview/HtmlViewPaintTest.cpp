// What the view puts on screen: the caret at the layout's caret rectangle
// (and none in the read-only view), and repaints limited to what an edit
// changed.
#include "ViewTestSupport.h"

#include <QImage>
#include <QPaintEvent>
#include <QRegion>

using namespace vellum::html;
using namespace vellum::html::testing;

namespace {

// Collects the areas the viewport is asked to repaint.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QWidget* target) { target->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

} // namespace
