// Images come only from local files and data URLs (ResolveImageSource
// refuses everything else), so loading one never waits on the network. A
// mail may name any local path, the open database among them: a file this
// process holds open is never read, since closing it would drop our locks.
#include "platform/htmlview/ImageCache.h"

#include "platform/fs/HeldOpenFiles.h"
#include "platform/html/ImageSource.h"
#include "platform/html/Node.h"

#include <QByteArray>
#include <QString>

namespace vellum::html {

const QImage& ImageCache::ImageFor(const Element& image)
{
    std::u16string key = image.GetAttribute("src").value_or(u"");
    if (auto it = images_.find(key); it != images_.end())
        return it->second;
    QImage picture;
    ImageSource source = ResolveImageSource(image);
    if (source.kind == ImageSource::Kind::LocalFile &&
        !vellum::fs::IsHeldOpenByThisProcess(source.path))
        picture.load(QString::fromStdString(source.path));
    else if (source.kind == ImageSource::Kind::Data)
        picture.loadFromData(QByteArray::fromStdString(source.bytes));
    return images_.emplace(std::move(key), std::move(picture)).first->second;
}

} // namespace vellum::html
