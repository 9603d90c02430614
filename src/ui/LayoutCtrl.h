// CLayoutCtrl: the toolbar strip. A child window with its own layout, a back
// colour from "uiprofile.ini", and image buttons and labels painted on that
// colour. Commands and notifications it does not handle itself go on to the
// window holding it, so a toolbar's clicks reach that window as if the
// buttons were its own children.
#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/CommandTarget.h"
#include "ui/Layout.h"

#include <QRect>
#include <QWidget>

#include <string>

class CLayoutCtrl : public QWidget, public vellum::ui::CommandTarget
{
public:
    explicit CLayoutCtrl(QWidget* parent = nullptr);
    ~CLayoutCtrl() override;

    // The border and client-edge bits of style are dropped; visible and
    // disabled are honoured.
    bool Create(const QRect& rect, QWidget* parent, int id, unsigned style);

    CLayoutRow* AddRow(int height, int flags);
    CImageButton* AddButton(CLayoutRow* row, const std::string& caption, int id, int width,
                            int flags);
    CCaptionLabel* AddLabel(CLayoutRow* row, const std::string& text, int id, int width, int flags);
    void Relayout();

    CLayout& GetLayout() { return layout_; }
    vellum::ui::ColorRef GetBackColor() const { return backColor_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    vellum::ui::ColorRef backColor_;
    CLayout layout_;
};
