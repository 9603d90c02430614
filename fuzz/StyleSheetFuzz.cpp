// Fuzz target: a mail's style sheet. Any text reads into rules and matches
// every element of a small body at two widths without a fault (the
// sanitizers stop the run on one); rules read from it never invent a
// declaration without a property, and an element's own inline style always
// comes after the sheet's normal rules.
#include "FuzzInput.h"
#include "html/Cascade.h"
#include "html/Document.h"
#include "platform/text/CodePage.h"

using vellum::fuzz::Check;
using namespace vellum::html;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vellum::fuzz::FuzzInput input(data, size);
    int width = static_cast<int>(input.Byte()) * 8;
    std::u16string sheet = vellum::text::Utf8ToUtf16(input.Rest());
    Document document;
    document.LoadHtml(u"<HTML><HEAD><STYLE></STYLE></HEAD><BODY><DIV id=a class='b c'>"
                      u"<P lang=en>x<SPAN style='x-inline-marker: 1'>y</SPAN></P><P>z</P></DIV>"
                      u"<TABLE><TR><TD>t</TD></TR></TABLE></BODY></HTML>");
    Element* style = document.Head()->FirstChild()->AsElement();
    style->AppendChild(document.CreateTextNode(sheet));
    for (const CssRule& rule : ReadCssRules(sheet, MediaContext{width}))
        for (const Declaration& declaration : rule.declarations)
            Check(!declaration.property.empty(), "a declaration names its property");
    for (int view : {width, 2000 - width}) {
        Cascade cascade(document, MediaContext{view});
        for (Element* element : document.GetElementsByTagName("*")) {
            AppliedDeclarations applied(*element, &cascade);
            cascade.DisplayDeclaration(*element);
            if (element->TagName() != "SPAN")
                continue;
            bool inlineSeen = false;
            for (const Declaration* declaration : applied.InOrder()) {
                bool isInline =
                    declaration->property == "x-inline-marker" && !declaration->important;
                Check(!inlineSeen || declaration->important || isInline,
                      "normal rules come before the inline style");
                inlineSeen = inlineSeen || isInline;
            }
        }
    }
    return 0;
}
