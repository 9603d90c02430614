// Helpers for the layout tests: a document loaded from a UTF-8 body and a
// layout over it at a given width, plus shortcuts to the nodes the tests
// point at.
#pragma once

#include "platform/html/Document.h"
#include "platform/html/Node.h"
#include "platform/htmlview/DocumentLayout.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"

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

} // namespace vellum::html::testing
