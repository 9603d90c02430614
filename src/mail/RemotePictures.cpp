// A source is an IMG's src attribute as written (the view's picture cache
// is keyed by it); whether it is remote, and on the office's server, is
// judged on the trimmed address. The office's server is matched by its
// parts (host, port, path prefix) rather than by text, so that an address
// like "http://office@elsewhere/" cannot pass for it.
#include "mail/RemotePictures.h"

#include "base/NameCompare.h"
#include "db/TextCompare.h"
#include "html/InlineStyle.h"
#include "html/Node.h"
#include "htmlview/HtmlView.h"
#include "mail/AttachmentTransfer.h"
#include "mail/PictureFetch.h"
#include "mail/RemotePictureBar.h"
#include "net/HttpUrl.h"
#include "platform/text/CodePage.h"

#include <QTimer>

#include <set>
#include <utility>

using vellum::text::FromUtf8;

namespace {

std::string AddressOf(const std::u16string& source)
{
    return vellum::text::Utf16ToUtf8(vellum::html::TrimSpace(source));
}

bool OnServer(const std::string& address, const std::string& server)
{
    HttpUrlParts picture, office;
    if (server.empty() || !SplitHttpUrl(address, picture) || !SplitHttpUrl(server, office))
        return false;
    const std::string folder = office.object.empty() ? "/" : office.object;
    return picture.secure == office.secure && SameNameIgnoringCase(picture.server, office.server) &&
           picture.port == office.port && picture.object.starts_with(folder);
}

} // namespace

RemotePictures::RemotePictures(vellum::html::HtmlView& view, RemotePictureBar& bar)
    : view_(view), bar_(bar), officeServer_(AttachmentServerAddress())
{
    view_.GetDocument().AddObserver(this);
    Scan();
}

RemotePictures::~RemotePictures()
{
    fetches_.clear();
    view_.GetDocument().RemoveObserver(this);
}

// The view's own observer may come after this one and empties its picture
// cache: the new body is looked at once every observer has seen the load.
void RemotePictures::DocumentReplaced()
{
    if (scanPending_)
        return;
    scanPending_ = true;
    QTimer::singleShot(0, this, [this] {
        scanPending_ = false;
        Scan();
    });
}

// The scheme is read first: a picture that travels in the mail is a data URL
// of megabytes, not worth converting whole to learn that it is none of ours.
RemotePictures::Origin RemotePictures::OriginOf(const std::u16string& source) const
{
    std::string scheme = vellum::text::Utf16ToUtf8(vellum::html::TrimSpace(source).substr(0, 8));
    if (!vellum::db::StartsWithIgnoringCase(scheme, "http://") &&
        !vellum::db::StartsWithIgnoringCase(scheme, "https://"))
        return Origin::Elsewhere;
    return OnServer(AddressOf(source), officeServer_) ? Origin::Office : Origin::Remote;
}

// Pictures fetched for an earlier load of the same body show again at once.
void RemotePictures::Scan()
{
    heldBack_.clear();
    std::vector<std::u16string> office;
    std::set<std::u16string> seen;
    for (vellum::html::Element* image : view_.GetDocument().GetElementsByTagName("IMG")) {
        const std::u16string* source = image->FindAttribute("src");
        Origin origin = source ? OriginOf(*source) : Origin::Elsewhere;
        if (origin == Origin::Elsewhere || !seen.insert(*source).second)
            continue;
        if (auto it = fetched_.find(*source); it != fetched_.end())
            view_.ShowPicture(*source, it->second);
        else
            (origin == Origin::Office ? office : heldBack_).push_back(*source);
    }
    if (!office.empty())
        Fetch(std::move(office), false);
    if (int held = UnshownRemoteImages(); held > 0)
        bar_.Offer(held);
    else
        bar_.Close();
}

int RemotePictures::UnshownRemoteImages() const
{
    int count = 0;
    for (vellum::html::Element* image : view_.GetDocument().GetElementsByTagName("IMG")) {
        const std::u16string* source = image->FindAttribute("src");
        count += source && OriginOf(*source) == Origin::Remote && !fetched_.contains(*source);
    }
    return count;
}

void RemotePictures::ShowHeldBack()
{
    if (heldBack_.empty())
        return;
    bar_.Report(FromUtf8("正在下载远程图片..."));
    Fetch(std::exchange(heldBack_, {}), true);
}

bool RemotePictures::IsFetching() const
{
    for (const auto& fetch : fetches_)
        if (fetch->IsRunning())
            return true;
    return false;
}

// Beyond the mail's allowance a picture is simply not fetched: it keeps its
// broken-picture box and counts among those that could not be shown.
void RemotePictures::Fetch(std::vector<std::u16string> sources, bool asked)
{
    sources.resize(std::min<size_t>(sources.size(), kPicturesPerMail - requested_));
    requested_ += static_cast<int>(sources.size());
    std::vector<std::string> addresses;
    for (const std::u16string& source : sources)
        addresses.push_back(AddressOf(source));
    auto deliver = [this, sources](size_t index, const QImage& pixels) {
        if (pixels.isNull())
            return;
        fetched_[sources[index]] = pixels;
        view_.ShowPicture(sources[index], pixels);
    };
    auto finished = [this, asked] {
        if (!asked)
            return;
        if (int left = UnshownRemoteImages(); left > 0)
            bar_.Report(FromUtf8("此邮件中的 ") + std::to_string(left) +
                        FromUtf8(" 张远程图片未能显示"));
        else
            bar_.Close();
    };
    fetches_.push_back(std::make_unique<PictureFetch>(std::move(addresses), std::move(deliver),
                                                      std::move(finished)));
}
