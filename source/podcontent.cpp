#include "source/podcontent.h"

#include "locale/localeutil.h"
#include "platform/folders/folders.h"
#include "platform/registry/ptsettings.h"
#include "shared/glint/glintplayertrust.h"
#include "source/launcherlog.h"
#include "source/launcherpaths.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kTidingsKey = QStringLiteral("software\\tessaly\\Tidings");
const QString kLastPodValue = QStringLiteral("LastDynamicPodFileName");

bool s_membershipEnabled = true;

QString withSlash(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

// Text content only, so quotes need no entity; "&" goes first so the other entities survive.
QString escaped(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    out.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    out.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return out;
}

QString element(const char *name, const QString &text)
{
    const QLatin1String tag(name);
    return QLatin1Char('<') + tag + QLatin1Char('>') + escaped(text) + QLatin1String("</") + tag +
           QLatin1Char('>');
}

} // namespace

QString PodContent::localeCode()
{
    return LocaleUtil::currentLocaleCode(LauncherPaths::applicationDirectory());
}

QString PodContent::productDataFolder()
{
    return withSlash(Folders::commonAppData()) + QStringLiteral("Tessaly/Pixtrel Orvana/11.0/");
}

QString PodContent::podsFolder()
{
    return productDataFolder() + QStringLiteral("Locale/") + localeCode() +
           QStringLiteral("/Welcome Screen Pods/");
}

QString PodContent::swfFolder()
{
    if (s_membershipEnabled)
        return productDataFolder() + QStringLiteral("Locale/") + localeCode() +
               QStringLiteral("/Application SWFs/");
    return productDataFolder() + QStringLiteral("Application SWFs/");
}

bool PodContent::membershipEnabled()
{
    return s_membershipEnabled;
}

void PodContent::setMembershipEnabled(bool enabled)
{
    s_membershipEnabled = enabled;
}

QString PodContent::lastShownPodFileName()
{
    PtSettingsCU settings(kTidingsKey);
    return settings.value(kLastPodValue, QString()).toString();
}

void PodContent::setLastShownPodFileName(const QString &podFileName)
{
    PtSettingsCU settings(kTidingsKey);
    settings.setValue(kLastPodValue, podFileName);
    settings.sync();
}

QStringList PodContent::podFileNames()
{
    // Without QDir::CaseSensitive the name filter ignores case, as the pattern does on the
    // original's file system. The download thread may be writing meanwhile: whatever the
    // listing sees is what the movie gets.
    const QDir folder(podsFolder());
    QStringList names = folder.entryList(
        {QStringLiteral("*.xml")}, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    // Names equal but for case sort next to each other; the case-sensitive order between them
    // only keeps the list the same from one start to the next.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.compare(b, Qt::CaseSensitive) < 0;
    });
    return names;
}

QString PodContent::dynamicContentXml()
{
    QString files;
    for (const QString &name : podFileNames())
        files += element("file", name);
    return QLatin1String("<dynamic_content_info>") +
           element("application_name", QStringLiteral("pxo")) +
           element("root_directory", podsFolder()) +
           element("last_shown_pod_file_name", lastShownPodFileName()) +
           QLatin1String("<filelist>") + files + QLatin1String("</filelist>") +
           QLatin1String("</dynamic_content_info>");
}

QString PodContent::playerTrustFilePath()
{
    return withSlash(Folders::userAppData()) +
           QStringLiteral("Halvex/Glint Player/#Security/GlintPlayerTrust/") + localeCode() +
           QStringLiteral("_pxo_pod_player11.cfg");
}

QStringList PodContent::launcherMovieFolders()
{
    const QString assets = LauncherPaths::assetsDirectory();
    return {QDir::cleanPath(assets + QStringLiteral("/Required/")),
            QDir::cleanPath(assets + QStringLiteral("/Locales/") + localeCode() +
                            QStringLiteral("/application_swfs/"))};
}

bool PodContent::writePlayerTrustFile()
{
    // Declared on every start: the trust file may list the folders of an earlier installation.
    GlintPlayerTrust::setOwnMovieFolders(launcherMovieFolders());
    const QString path = playerTrustFilePath();
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return true;
    if (!QDir().mkpath(info.absolutePath())) {
        qCDebug(lcLauncher, "Creation of Directory %s failed. EFP Might not work !",
                qUtf8Printable(path));
        return false;
    }
    const QString assets = LauncherPaths::assetsDirectory();
    const QString content =
        podsFolder() + QLatin1Char('\n') +
        QDir::toNativeSeparators(assets + QStringLiteral("/Locales/") + localeCode() +
                                 QStringLiteral("/application_swfs/")) +
        QLatin1Char('\n') +
        QDir::cleanPath(QDir::toNativeSeparators(assets + QStringLiteral("/Required/"))) +
        QLatin1Char('\n');
    // Written whole or not at all: a file cut short by a crash would never be rewritten.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(content.toUtf8());
    return file.commit();
}
