// Images come only from local files and data URLs (ResolveImageSource
// refuses everything else), so loading one never waits on the network; a
// local path is read only when it names a regular file of sane size that
// this process does not hold open (see ReadLocalImageFile).
#include "htmlview/ImageCache.h"

#include "html/ImageSource.h"
#include "html/LocalImageFile.h"
#include "html/Node.h"

#include <QByteArray>

namespace vellum::html {

const QImage& ImageCache::ImageFor(const Element& image)
{
    std::u16string key = image.GetAttribute("src").value_or(u"");
    if (auto it = images_.find(key); it != images_.end())
        return it->second;
    ImageSource source = ResolveImageSource(image);
    std::string bytes = source.kind == ImageSource::Kind::LocalFile
                            ? ReadLocalImageFile(source.path).value_or(std::string())
                            : std::move(source.bytes);
    QImage picture;
    if (!bytes.empty())
        picture.loadFromData(QByteArray::fromStdString(bytes));
    return images_.emplace(std::move(key), std::move(picture)).first->second;
}

} // namespace vellum::html
