#include "crosswire/zstringlocalizer.h"

#include "components/scriptruntime/kernova/file.h"
#include "components/scriptruntime/kernova/filespec.h"
#include "components/scriptruntime/kernova/fileutils.h"
#include "locale/localeutil.h"
#include "locale/zstringparts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCrosswire)

namespace KnObjects {

namespace {

QString specialFolder(int kind)
{
    Kernova::FileSpec folder;
    if (Kernova::FileUtils::getSpecialDir(kind, folder) != 0)
        return {};
    return QDir(folder.path().toQString()).absolutePath();
}

// "$$$/Group/Key" and "/Group/Key" name the same entry.
QString entryKey(QStringView key)
{
    return key.startsWith(u"$$$") ? key.mid(3).toString() : key.toString();
}

} // namespace

ZStringLocalizer::ZStringLocalizer(const QString &locale)
{
    setTemplate(QString(kDefaultTemplate));
    setLocale(locale);
}

ZStringLocalizer::~ZStringLocalizer() = default;

void ZStringLocalizer::setTemplate(const QString &pathTemplate)
{
    QString filled = pathTemplate;
    const struct
    {
        const char *placeholder;
        int kind;
    } folders[] = {{"{USERDATA}", Kernova::FileUtils::kUserData},
                   {"{ALLDATA}", Kernova::FileUtils::kAllData},
                   {"{STARTUP}", Kernova::FileUtils::kStartup},
                   {"{PACKAGE}", Kernova::FileUtils::kPackage},
                   {"{COMMONFILES}", Kernova::FileUtils::kCommonFiles}};
    for (const auto &folder : folders) {
        const QLatin1String placeholder(folder.placeholder);
        if (filled.contains(placeholder))
            filled.replace(placeholder, specialFolder(folder.kind));
    }
    std::lock_guard guard(m_mutex);
    m_template = filled;
    m_dependsOnScript = filled.contains(QLatin1String("{FILEPATH}")) ||
                        filled.contains(QLatin1String("{FILENAME}"));
    m_cache.clear();
}

QString ZStringLocalizer::pathTemplate() const
{
    std::lock_guard guard(m_mutex);
    return m_template;
}

bool ZStringLocalizer::dependsOnScript() const
{
    std::lock_guard guard(m_mutex);
    return m_dependsOnScript;
}

void ZStringLocalizer::setLocale(const QString &locale)
{
    QString code = locale;
    if (code.isEmpty()) {
        const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                            : QDir::currentPath();
        code = LocaleUtil::currentLocaleCode(folder);
    }
    code.replace(QLatin1Char('-'), QLatin1Char('_'));
    const qsizetype underscore = code.indexOf(QLatin1Char('_'));
    std::lock_guard guard(m_mutex);
    m_language = (underscore < 0 ? code : code.left(underscore)).toLower();
    m_region = underscore < 0 ? QString() : code.mid(underscore + 1).toUpper();
    m_productLocale = code.toLower();
    m_cache.clear();
}

QString ZStringLocalizer::locale() const
{
    std::lock_guard guard(m_mutex);
    return m_region.isEmpty() ? m_language : m_language + QLatin1Char('_') + m_region;
}

QString ZStringLocalizer::pathFor(const Kernova::FileSpec &script) const
{
    const QString scriptPath = script.path().toQString();
    if (m_dependsOnScript && scriptPath.isEmpty())
        return {};
    const QFileInfo info(scriptPath);
    QString path = m_template;
    const QString localeText =
        m_region.isEmpty() ? m_language : m_language + QLatin1Char('_') + m_region;
    path.replace(QLatin1String("{FILEPATH}"), info.absolutePath());
    path.replace(QLatin1String("{FILENAME}"), info.completeBaseName());
    path.replace(QLatin1String("{LANGUAGE}"), m_language);
    path.replace(QLatin1String("{REGION}"), m_region);
    path.replace(QLatin1String("{LOCALE}"), localeText);
    path.replace(QLatin1String("{ZSTRINGINFO}"), m_productLocale);
    return QDir::cleanPath(path);
}

QString ZStringLocalizer::dictionaryPath(const Kernova::FileSpec &script) const
{
    std::lock_guard guard(m_mutex);
    return pathFor(script);
}

void ZStringLocalizer::clearCache()
{
    std::lock_guard guard(m_mutex);
    m_cache.clear();
}

ZStringLocalizer::Dictionary ZStringLocalizer::read(const QString &path)
{
    Dictionary dictionary{path, {}};
    const QFileInfo info(path);
    if (!info.isFile())
        return dictionary;
    if (info.size() > kMaxDictionaryBytes) {
        qCWarning(lcCrosswire) << "dictionary too large, not read:" << path;
        return dictionary;
    }
    Kernova::File file{Kernova::FileSpec(Kernova::String(path))};
    if (!file.open(Kernova::File::Mode::Read))
        return dictionary;
    Kernova::String line;
    while (dictionary.entries.size() < kMaxEntries && file.readln(line)) {
        QString text = line.toQString();
        if (text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        const qsizetype equals = text.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = entryKey(QStringView(text).left(equals));
        if (!key.isEmpty() && !dictionary.entries.contains(key))
            dictionary.entries.insert(key, text.mid(equals + 1));
    }
    return dictionary;
}

const ZStringLocalizer::Dictionary &ZStringLocalizer::dictionary(const QString &path)
{
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
        if (it->path == path) {
            m_cache.splice(m_cache.begin(), m_cache, it);
            return m_cache.front();
        }
    }
    m_cache.push_front(read(path));
    while (m_cache.size() > size_t(kMaxCachedDictionaries))
        m_cache.pop_back();
    return m_cache.front();
}

Kernova::String ZStringLocalizer::localize(const Kernova::String &text,
                                           const Kernova::FileSpec &script)
{
    const QString &zstring = text.toQString();
    if (!zstring.startsWith(QLatin1String("$$$")))
        return text;
    const auto parts = basekit_private::splitZString(QStringView(zstring));
    if (!parts)
        return text;
    const QString key = entryKey(parts->key);
    // A ZString without a default text shows itself rather than nothing.
    const QString defaultText =
        zstring.contains(QLatin1Char('=')) ? parts->defaultText.toString() : zstring;
    std::lock_guard guard(m_mutex);
    const QString path = pathFor(script);
    if (path.isEmpty())
        return Kernova::String(defaultText);
    const Dictionary &found = dictionary(path);
    const auto it = found.entries.constFind(key);
    return Kernova::String(it == found.entries.constEnd() ? defaultText : it.value());
}

} // namespace KnObjects
