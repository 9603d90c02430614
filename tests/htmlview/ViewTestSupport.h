// Helpers shared by the view tests: a shown, focused HtmlView over a body,
// the body read back as UTF-8, positions and their on-screen points taken
// from the layout, clicks on them, and mouse events with a held button.
#pragma once

#include "html/HtmlTestSupport.h"
#include "htmlview/DocumentLayout.h"
#include "htmlview/HtmlView.h"
#include "platform/ui/Application.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vellum::html::testing {

// A view of `width` x `height` showing `bodyUtf8`, shown and holding the
// keyboard focus, editable or read-only. The caret blinks not at all, so a
// picture always has it.
inline std::unique_ptr<HtmlView> ShowView(const std::string& bodyUtf8, bool editable = true,
                                          int width = 400, int height = 300)
{
    ui::EnsureApplication();
    QApplication::setCursorFlashTime(0);
    auto view = std::make_unique<HtmlView>();
    view->GetDocument().LoadHtml(
        text::Utf8ToUtf16("<HTML><HEAD></HEAD><BODY>" + bodyUtf8 + "</BODY></HTML>"));
    view->SetEditable(editable);
    view->resize(width, height);
    view->show();
    QApplication::setActiveWindow(view.get());
    view->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    return view;
}

inline std::string BodyOf(const HtmlView& view)
{
    return BodyHtml(view.GetDocument());
}

inline CharacterData* TextHolding(const HtmlView& view, const std::string& needleUtf8)
{
    return FindText(view.GetDocument(), needleUtf8);
}

// The position `offset` units after the start of `needle` in its text.
inline Position At(const HtmlView& view, const std::string& needleUtf8, std::size_t offset = 0)
{
    CharacterData* node = TextHolding(view, needleUtf8);
    if (!node)
        return {};
    return {node, node->Data().find(text::Utf8ToUtf16(needleUtf8)) + offset};
}

inline void PutCaret(HtmlView& view, const Position& position)
{
    view.GetDocument().SetSelection(Selection::Caret(position));
    QApplication::processEvents();
}

// The viewport point in the middle of the caret's line at a position.
inline QPoint PointAt(const HtmlView& view, const Position& position)
{
    QRectF caret = view.Layout().CaretRect(position);
    return view.ToViewport(caret.center()).toPoint();
}

// A left click on the caret place `offset` units into `needle`.
inline void ClickAt(HtmlView& view, const std::string& needleUtf8, std::size_t offset = 0)
{
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                      PointAt(view, At(view, needleUtf8, offset)));
}

// Whether the caret is shown, wholly inside the viewport.
inline bool CaretInView(const HtmlView& view)
{
    QRectF caret = view.CaretViewportRect();
    return !caret.isNull() && QRectF(view.viewport()->rect()).contains(caret);
}

inline std::string SelectedText(const HtmlView& view)
{
    const Selection& selection = view.GetDocument().GetSelection();
    if (!selection.IsTextRange())
        return "<not a text range>";
    return text::Utf16ToUtf8(RangeText(selection.GetRange()));
}

inline void SendMouse(QWidget* target, QEvent::Type type, QPoint point, Qt::MouseButton button,
                      Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, QPointF(point), target->mapToGlobal(QPointF(point)), button, held,
                      modifiers);
    QCoreApplication::sendEvent(target, &event);
}

// Press at `from`, move to `to` with the button held, release there.
inline void Drag(HtmlView& view, QPoint from, QPoint to)
{
    QWidget* viewport = view.viewport();
    SendMouse(viewport, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(viewport, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    SendMouse(viewport, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(viewport, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

} // namespace vellum::html::testing
