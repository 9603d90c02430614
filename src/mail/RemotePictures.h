// RemotePictures: what a mail dialog does about the pictures its body names
// by http or https address. Opening a mail fetches none of them: a picture
// fetched on open tells its sender who read the mail and when, and lets a
// mail make the desk call addresses inside the office. The bar above the
// body says how many are held back; its button (ShowHeldBack) fetches them.
// Pictures on the office's own attachment server (HttpServer in
// "data/tolvan.ini") are fetched at once without asking. Nothing else is
// ever fetched, whatever the address.
//
// Fetched pictures live only in the view's picture cache and here, for the
// next load of the same body (the editor's source view reloads it): the
// document, and so the stored body, keeps the address. At most
// kPicturesPerMail addresses are fetched for one dialog.
#pragma once

#include "html/Document.h"

#include <QImage>
#include <QObject>

#include <map>
#include <memory>
#include <string>
#include <vector>

class PictureFetch;
class RemotePictureBar;

namespace vellum::html {
class HtmlView;
}

class RemotePictures : public QObject, private vellum::html::DocumentObserver
{
public:
    static constexpr int kPicturesPerMail = 50;

    // Watches the view's document from now on; every load is looked at.
    RemotePictures(vellum::html::HtmlView& view, RemotePictureBar& bar);
    // Cancels the fetches running and waits for them to end.
    ~RemotePictures() override;

    // The bar's button: fetches the held-back pictures.
    void ShowHeldBack();
    bool IsFetching() const;

private:
    enum class Origin { Elsewhere, Remote, Office };

    void DocumentReplaced() override;
    void Scan();
    Origin OriginOf(const std::u16string& source) const;
    int UnshownRemoteImages() const;
    void Fetch(std::vector<std::u16string> sources, bool asked);

    vellum::html::HtmlView& view_;
    RemotePictureBar& bar_;
    std::string officeServer_;
    std::vector<std::u16string> heldBack_; // distinct sources
    std::map<std::u16string, QImage> fetched_;
    int requested_ = 0;
    bool scanPending_ = false;
    std::vector<std::unique_ptr<PictureFetch>> fetches_;
};
