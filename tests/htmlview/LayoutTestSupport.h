// Helpers for the layout tests: a document loaded from a UTF-8 body and a
// layout over it at a given width, shortcuts to the nodes and boxes the
// tests point at, and the layout painted to a picture.
#pragma once

#include "html/Document.h"
#include "html/HtmlTestSupport.h"
#include "html/Node.h"
#include "htmlview/DocumentLayout.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vellum::html::testing {

struct LaidOutBody
{
    explicit LaidOutBody(const std::string& bodyUtf8, int width = 400,
                         const std::string& headUtf8 = "")
    {
        ui::EnsureApplication();
        document.LoadHtml(text::Utf8ToUtf16("<HTML><HEAD>" + headUtf8 + "</HEAD><BODY>" + bodyUtf8 +
                                            "</BODY></HTML>"));
        layout = std::make_unique<DocumentLayout>(document);
        layout->SetWidth(width);
        layout->Update();
    }

    // The n-th element with a tag name in the body (0-based).
    Element* Nth(const char* tag, std::size_t n = 0) const
    {
        auto elements = document.Body()->GetElementsByTagName(tag);
        return n < elements.size() ? elements[n] : nullptr;
    }
    // The n-th such element's box.
    QRectF Rect(const char* tag, std::size_t n = 0) const
    {
        Element* element = Nth(tag, n);
        EXPECT_NE(element, nullptr) << tag << n;
        return element ? layout->ElementRect(*element) : QRectF();
    }
    // The first text child of an element.
    Node* TextOf(Element* element) const
    {
        for (Node* child : element->Children())
            if (child->IsText())
                return child;
        return nullptr;
    }

    Document document;
    std::unique_ptr<DocumentLayout> layout;
};

// `area` of the document painted on white; the whole layout by default.
inline QImage Paint(DocumentLayout& layout, QRect area = {}, bool showSelection = true)
{
    if (area.isNull())
        area = QRect(0, 0, layout.Width(), layout.Height());
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.translate(-area.topLeft());
    PaintOptions options;
    options.showSelection = showSelection;
    layout.Paint(painter, QRectF(area), options);
    return picture;
}

// How many pixels of `area` are darker than mid grey.
inline int DarkPixels(const QImage& picture, const QRect& area)
{
    int count = 0;
    QRect bounded = area.intersected(picture.rect());
    for (int y = bounded.top(); y <= bounded.bottom(); ++y)
        for (int x = bounded.left(); x <= bounded.right(); ++x)
            count += qGray(picture.pixel(x, y)) < 128 ? 1 : 0;
    return count;
}

} // namespace vellum::html::testing
