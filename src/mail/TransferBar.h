// CTransferBar: the thin bar in which the compose and read dialogs show how
// far an attachment upload or download has gone. It is hidden while no
// transfer runs; with an unknown total it shows a block sweeping across.
#pragma once

#include <QWidget>

class CTransferBar : public QWidget
{
public:
    explicit CTransferBar(QWidget* parent = nullptr);

    // done of total bytes; a total below 1 means the total is not known.
    void SetProgress(long long done, long long total);

    // The part filled, 0 to 1, or -1 while the total is unknown.
    double Fraction() const { return fraction_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double fraction_ = 0;
    int sweep_ = 0; // where the block of an unknown total is
};
