// Controls that are not Qt's own (the module's caption label, for one) take
// part through a "text" property, the name Qt's labels and buttons use too.
// A top-level window's text is its caption.
#include "platform/ui/WindowText.h"

#include "platform/ui/QtText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVariant>

namespace vellum::ui {
namespace {

QString WithCrLf(QString text)
{
    text.replace("\r\n", "\n");
    text.replace('\n', "\r\n");
    return text;
}

QString WithoutCr(QString text)
{
    text.remove('\r');
    return text;
}

} // namespace

std::string GetWindowText(const QWidget* control)
{
    if (!control)
        return {};
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return FromQString(combo->currentText());
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(control))
        return FromQString(WithCrLf(plain->toPlainText()));
    if (auto* rich = qobject_cast<const QTextEdit*>(control))
        return FromQString(WithCrLf(rich->toPlainText()));
    if (control->isWindow())
        return FromQString(control->windowTitle());
    QVariant text = control->property("text");
    if (text.isValid())
        return FromQString(text.toString());
    return FromQString(control->windowTitle());
}

void SetWindowText(QWidget* control, const std::string& hostText)
{
    if (!control)
        return;
    QString text = ToQString(hostText);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentText(text);
        return;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->setPlainText(WithoutCr(text));
        return;
    }
    if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        rich->setPlainText(WithoutCr(text));
        return;
    }
    if (control->isWindow() || !control->property("text").isValid()) {
        control->setWindowTitle(text);
        return;
    }
    control->setProperty("text", text);
}

int GetCheck(const QWidget* control)
{
    auto* button = qobject_cast<const QAbstractButton*>(control);
    return button && button->isCheckable() && button->isChecked() ? 1 : 0;
}

void SetCheck(QWidget* control, int state)
{
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (button && button->isCheckable())
        button->setChecked(state != 0);
}

} // namespace vellum::ui
