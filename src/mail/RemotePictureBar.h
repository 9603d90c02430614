// RemotePictureBar: the strip above a mail's body that says how many remote
// pictures were held back, with the button "显示图片", and afterwards what
// could not be shown. It takes the top of the body's place while it shows
// and gives it back when it goes; the dialog calls FitAbove after every
// arrangement of its rows, which place the body over the whole row.
#pragma once

#include "ui/Layout.h"

#include <QWidget>

#include <string>

class CCaptionLabel;

class RemotePictureBar : public QWidget
{
public:
    // The button's command, which reaches the dialog's OnCommand.
    static constexpr int kShowPicturesId = 6020;
    static constexpr int kHeight = 24;

    RemotePictureBar(QWidget& dialog, QWidget& body);

    // "此邮件中的 N 张远程图片未显示" and the button.
    void Offer(int heldBack);
    // A text of its own (host code page), without the button.
    void Report(const std::string& text);
    // Hidden, the body back in its whole place.
    void Close();
    void FitAbove();

    // The text shown (host code page).
    std::string Text() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Open();

    QWidget& body_;
    CLayout layout_;
    CCaptionLabel* label_ = nullptr;
    QWidget* button_ = nullptr;
    bool fitted_ = false; // the body is shortened by the bar's place
};
