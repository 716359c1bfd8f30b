#include "platform/registry/ptsettings.h"

#include "platform/registry/hivefile.h"
#include "platform/registry/regdocument.h"
#include "platform/registry/registryformat.h"
#include "platform/registry/registrylog.h"

namespace {

struct Target
{
    QString fileName;
    QString slashPath; // the key below the root, with '/' between the names
};

QString slashed(QStringView path)
{
    QStringList parts;
    for (const QStringView part : path.tokenize(u'\\', Qt::SkipEmptyParts)) {
        for (const QStringView piece : part.tokenize(u'/', Qt::SkipEmptyParts))
            parts.append(piece.toString());
    }
    return parts.join(QLatin1Char('/'));
}

QString join(const QString &a, const QString &b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a + QLatin1Char('/') + b;
}

Target targetOf(const QString &keyPath)
{
    QStringView view(keyPath);
    while (view.startsWith(u'\\'))
        view = view.sliced(1);
    const qsizetype cut = view.indexOf(u'\\');
    if (const auto root = RegDocument::parseRoot(cut < 0 ? view : view.left(cut)))
        return {HiveFile::path(*root), cut < 0 ? QString() : slashed(view.sliced(cut + 1))};
    // As Qt's native backend does on Windows: a path without a root is below
    // HKEY_CURRENT_USER\Software.
    return {HiveFile::path(RegRoot::CurrentUser), join(QStringLiteral("Software"), slashed(view))};
}

QString lastName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

PtSettings::PtSettings(const QString &keyPath)
    : QSettings(targetOf(keyPath).fileName, RegistryFormat::format())
    , m_keyPath(keyPath)
{
    const QString path = targetOf(keyPath).slashPath;
    if (!path.isEmpty()) {
        m_casedGroups.append(path);
        QSettings::beginGroup(RegistryFormat::fold(path));
    }
}

PtSettings::~PtSettings() = default;

QString PtSettings::folded(QAnyStringView key) const
{
    return RegistryFormat::fold(slashed(key.toString()));
}

QString PtSettings::cased(const QString &foldedKey) const
{
    return RegistryFormat::casedKey(fileName(), foldedKey);
}

QVariant PtSettings::value(QAnyStringView key, const QVariant &defaultValue) const
{
    return QSettings::value(folded(key), defaultValue);
}

QVariant PtSettings::value(QAnyStringView key) const
{
    return QSettings::value(folded(key));
}

void PtSettings::setValue(QAnyStringView key, const QVariant &value)
{
    const QString foldedKey = folded(key);
    if (foldedKey.isEmpty()) {
        qCWarning(lcRegistry, "setValue: empty value name");
        return;
    }
    QSettings::setValue(foldedKey, value);

    // Remember the caller's spelling of the key path and the name for keys the file lacks.
    const QStringList foldedParts = join(QSettings::group(), foldedKey).split(QLatin1Char('/'));
    const QStringList casedParts =
        join(m_casedGroups.join(QLatin1Char('/')), slashed(key.toString())).split(QLatin1Char('/'));
    if (foldedParts.size() != casedParts.size())
        return;
    for (qsizetype i = 1; i <= foldedParts.size(); ++i) {
        RegistryFormat::rememberCase(fileName(), foldedParts.first(i).join(QLatin1Char('/')),
                                     casedParts.first(i).join(QLatin1Char('/')));
    }
}

bool PtSettings::contains(QAnyStringView key) const
{
    return QSettings::contains(folded(key));
}

void PtSettings::remove(QAnyStringView key)
{
    QSettings::remove(folded(key));
}

void PtSettings::beginGroup(QAnyStringView prefix)
{
    const QString path = slashed(prefix.toString());
    m_casedGroups.append(path);
    QSettings::beginGroup(RegistryFormat::fold(path));
}

void PtSettings::endGroup()
{
    const qsizetype base = targetOf(m_keyPath).slashPath.isEmpty() ? 0 : 1;
    if (m_casedGroups.size() <= base) {
        qCWarning(lcRegistry, "endGroup: no matching beginGroup");
        return;
    }
    m_casedGroups.removeLast();
    QSettings::endGroup();
}

QString PtSettings::group() const
{
    const qsizetype base = targetOf(m_keyPath).slashPath.isEmpty() ? 0 : 1;
    QStringList own = m_casedGroups.mid(base);
    own.removeAll(QString());
    return own.join(QLatin1Char('/'));
}

QStringList PtSettings::childKeys() const
{
    QStringList names;
    for (const QString &key : QSettings::childKeys()) {
        names.append(key == QLatin1String("default")
                         ? QStringLiteral("Default")
                         : lastName(cased(join(QSettings::group(), key))));
    }
    return names;
}

QStringList PtSettings::childGroups() const
{
    QStringList names;
    for (const QString &key : QSettings::childGroups())
        names.append(lastName(cased(join(QSettings::group(), key))));
    return names;
}

QStringList PtSettings::allKeys() const
{
    QStringList keys;
    const qsizetype depth =
        QSettings::group().isEmpty() ? 0 : QSettings::group().count(QLatin1Char('/')) + 1;
    for (const QString &key : QSettings::allKeys()) {
        QStringList parts = cased(join(QSettings::group(), key)).split(QLatin1Char('/'));
        parts = parts.mid(depth);
        if (!parts.isEmpty() && key.endsWith(QLatin1String("default")) &&
            key.section(QLatin1Char('/'), -1) == QLatin1String("default"))
            parts.last() = QStringLiteral("Default");
        keys.append(parts.join(QLatin1Char('/')));
    }
    return keys;
}

PtSettingsCU::PtSettingsCU(const QString &path)
    : PtSettings(QStringLiteral("HKEY_CURRENT_USER\\") + path)
{
}

PtSettingsCU::~PtSettingsCU() = default;

PtSettingsLM::PtSettingsLM(const QString &path)
    : PtSettings(QStringLiteral("HKEY_LOCAL_MACHINE\\") + path)
{
}

PtSettingsLM::~PtSettingsLM() = default;
