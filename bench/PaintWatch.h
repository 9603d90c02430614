// Notices that a widget got a paint event, so a benchmark can stop its clock
// at the first paint of what it opened.
#pragma once

#include <QEvent>
#include <QObject>

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
