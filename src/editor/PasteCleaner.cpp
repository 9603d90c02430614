// The markup is parsed into a scratch document of its own, cleaned there as a
// tree and written out again, so no trick of spelling (upper case, odd
// spacing, unterminated tags) slips past a text filter.
#include "editor/PasteCleaner.h"

#include "editor/LocalPictures.h"
#include "html/Document.h"
#include "html/ImageSource.h"
#include "html/InlineStyle.h"
#include "html/LocalImageFile.h"
#include "html/Serializer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <vector>

using namespace vellum::html;

namespace {

// Elements dropped with everything inside them: code, sheets, page
// metadata, and embedded frames or objects that would load something.
bool IsDroppedElement(const Element& element)
{
    static constexpr const char* kDropped[] = {"SCRIPT", "NOSCRIPT", "STYLE", "LINK",     "META",
                                               "TITLE",  "IFRAME",   "FRAME", "FRAMESET", "OBJECT",
                                               "EMBED",  "APPLET",   "BASE"};
    return std::any_of(std::begin(kDropped), std::end(kDropped),
                       [&element](const char* tag) { return element.HasTagName(tag); });
}

bool IsEventHandler(const std::string& name)
{
    return name.size() > 2 && std::tolower(static_cast<unsigned char>(name[0])) == 'o' &&
           std::tolower(static_cast<unsigned char>(name[1])) == 'n';
}

// "javascript:" and "vbscript:" addresses, however they are spaced or cased.
bool IsScriptAddress(std::u16string_view value)
{
    std::string compact;
    for (char16_t c : value) {
        if (c <= u' ')
            continue;
        compact += c < 0x80 ? static_cast<char>(std::tolower(static_cast<int>(c))) : '?';
        if (compact.size() >= 11)
            break;
    }
    return compact.starts_with("javascript:") || compact.starts_with("vbscript:");
}

void CleanAttributes(Element& element)
{
    std::vector<std::string> doomed;
    for (const Attribute& attribute : element.Attributes()) {
        if (IsEventHandler(attribute.name) || IsScriptAddress(attribute.value))
            doomed.push_back(attribute.name);
    }
    for (const std::string& name : doomed)
        element.RemoveAttribute(name);
}

void CleanTree(Node& node)
{
    for (Node* child : std::vector<Node*>(node.Children())) {
        Element* element = child->AsElement();
        if (child->IsComment() || (element && IsDroppedElement(*element))) {
            child->Remove();
            continue;
        }
        if (element) {
            CleanAttributes(*element);
            CleanTree(*element);
        }
    }
}

void GiveCarriedPicture(Document& scratch, const MailPicture& carried)
{
    std::vector<Element*> waiting;
    for (Element* image : scratch.GetElementsByTagName("IMG"))
        if (!image->GetAttribute("src").value_or(u"").starts_with(u"data:"))
            waiting.push_back(image);
    if (waiting.size() == 1)
        waiting.front()->SetAttribute("src", PictureDataUrl(carried));
}

// The picture formats screenshot tools and image viewers offer, taken in the
// order the clipboard's owner lists them (its own format first); a picture
// offered only as Qt's image comes out as PNG.
std::optional<MailPicture> PictureOnClipboard(const QMimeData& data)
{
    static const QStringList kPictureFormats = {"image/png", "image/jpeg", "image/gif",
                                                "image/bmp"};
    for (const QString& format : data.formats()) {
        if (!kPictureFormats.contains(format))
            continue;
        if (std::optional<MailPicture> picture = PictureForMail(data.data(format).toStdString()))
            return picture;
    }
    if (!data.hasImage())
        return std::nullopt;
    QImage image = qvariant_cast<QImage>(data.imageData());
    if (image.isNull())
        return std::nullopt;
    return PictureForMail(image);
}

std::u16string ImageMarkup(const MailPicture& picture)
{
    return u"<IMG src=\"" + PictureDataUrl(picture) + u"\">";
}

// Picture files a file manager offers (a copy or a drag of files); files of
// other kinds are not pictures of the body and give nothing.
std::u16string PictureFilesMarkup(const QMimeData& data)
{
    std::u16string markup;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            continue;
        std::optional<std::string> bytes = ReadLocalImageFile(url.toLocalFile().toStdString());
        if (std::optional<MailPicture> picture =
                bytes ? PictureForMail(std::move(*bytes)) : std::nullopt)
            markup += ImageMarkup(*picture);
    }
    return markup;
}

} // namespace

std::u16string CleanPastedHtml(std::u16string_view html, const std::optional<MailPicture>& carried)
{
    Document scratch;
    scratch.LoadHtml(html);
    Element* body = scratch.Body();
    if (!body)
        return {};
    CleanTree(*body);
    EmbedLocalPictures(scratch);
    if (carried)
        GiveCarriedPicture(scratch, *carried);
    return SerializeChildren(*body);
}

ClipboardContent PastedContent(const QMimeData& data)
{
    ClipboardContent content;
    if (data.hasText())
        content.text = data.text().toStdU16String();
    std::optional<MailPicture> picture = PictureOnClipboard(data);
    if (data.hasHtml())
        content.html = CleanPastedHtml(data.html().toStdU16String(), picture);
    else if (picture)
        content.html = ImageMarkup(*picture);
    else if (data.hasUrls())
        content.html = PictureFilesMarkup(data);
    return content;
}

void CleaningClipboard::SetContent(const ClipboardContent& content)
{
    system_.SetContent(content);
}

ClipboardContent CleaningClipboard::Content() const
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data ? PastedContent(*data) : ClipboardContent{};
}
