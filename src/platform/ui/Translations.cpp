// Qt ships its translations apart from the library (Debian's
// qt6-translations-l10n); without them its dialogs answer a Chinese user in
// English. The host code page stands in for a locale on desks where none is
// set, since a host running in GBK serves Chinese users.
#include "platform/ui/Translations.h"

#include "platform/text/CodePage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdlib>

namespace vellum::ui {
namespace {

std::string SetLocaleVariable()
{
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return std::string(value).substr(0, std::string(value).find(':'));
    }
    return {};
}

// "zh_CN.UTF-8@whatever" -> "zh_CN".
std::string WithoutCodeset(const std::string& locale)
{
    return locale.substr(0, locale.find_first_of(".@"));
}

std::string LocaleOfCodePage(const std::string& codePage)
{
    QString name = QString::fromStdString(codePage).toUpper().remove('-').remove('_');
    for (const char* chinese : {"GBK", "GB2312", "GB18030", "CP936", "EUCCN"})
        if (name == QLatin1String(chinese))
            return "zh_CN";
    for (const char* traditional : {"BIG5", "BIG5HKSCS", "CP950"})
        if (name == QLatin1String(traditional))
            return "zh_TW";
    return {};
}

} // namespace

std::string DesktopLocale()
{
    std::string locale = WithoutCodeset(SetLocaleVariable());
    if (!locale.empty() && locale != "C" && locale != "POSIX")
        return locale;
    return LocaleOfCodePage(text::HostCodePage());
}

void InstallQtTranslations()
{
    static bool done = false;
    if (done || !QCoreApplication::instance())
        return;
    done = true;
    std::string locale = DesktopLocale();
    if (locale.empty())
        return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QString::fromStdString(locale)), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace vellum::ui
