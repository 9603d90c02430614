// CCaptionLabel: the static text the layout creates beside fields and on
// toolbar strips. It draws itself: its back colour (the button face unless
// one is set), then its text in a font made from its own settings, starting
// two pixels below the top edge.
#pragma once

#include "platform/ui/Color.h"

#include <QWidget>

#include <optional>
#include <string>

// The platform's text-drawing format bits the label understands.
constexpr unsigned kTextCenter = 0x01;
constexpr unsigned kTextRight = 0x02;
constexpr unsigned kTextVCenter = 0x04; // only together with kTextSingleLine
constexpr unsigned kTextBottom = 0x08;  // only together with kTextSingleLine
constexpr unsigned kTextWordBreak = 0x10;
constexpr unsigned kTextSingleLine = 0x20;

class CCaptionLabel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)

public:
    explicit CCaptionLabel(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);

    // Font settings; the defaults are "宋体", 12 pixels, every switch off.
    std::string faceUtf8 = "宋体";
    int charHeight = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool smooth = false;
    vellum::ui::ColorRef textColor = 0;
    std::optional<vellum::ui::ColorRef> backColor;
    unsigned format = 0;

    // Redraws after the public settings were changed.
    void Refresh() { update(); }

    // The background actually painted: the own colour or the button face.
    vellum::ui::ColorRef EffectiveBackColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};
