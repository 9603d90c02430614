// Paint watches, so a benchmark can stop its clock at the first paint of
// what it opened: PaintWatch notices that a widget got a paint event;
// ViewportPaints, installed on the application, counts the paints of every
// scroll area's viewport (a grid's, a table's); WaitForPaint asks a widget
// to paint and runs the event loop until it has.
#pragma once

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

class ViewportPaints : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            if (auto* area = qobject_cast<QAbstractScrollArea*>(object->parent());
                area && area->viewport() == object)
                ++count;
        return false;
    }
};

inline void WaitForPaint(QWidget& widget)
{
    PaintWatch watch;
    widget.installEventFilter(&watch);
    widget.update();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    widget.removeEventFilter(&watch);
}
