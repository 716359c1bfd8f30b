#include "platform/geo/geoinfo.h"

#include "platform/geo/gettextcatalog.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <memory>
#include <mutex>

Q_LOGGING_CATEGORY(lcGeo, "tessaly.platform.geo", QtWarningMsg)

namespace Geo {

namespace {

constexpr qsizetype MaxTableSize = 4 * 1024 * 1024;
constexpr int MaxNumericCode = 999;

std::mutex s_mutex;

const QList<Nation> &cachedNations()
{
    static const QList<Nation> nations = [] {
        QFile file(GeoInfo::tableFile());
        if (!file.open(QIODevice::ReadOnly) || file.size() > MaxTableSize) {
            qCWarning(lcGeo) << "cannot read the nation table" << file.fileName();
            return QList<Nation>();
        }
        return GeoInfo::parseNations(file.readAll());
    }();
    return nations;
}

// Catalogs are loaded once per language and kept: the country dialog asks for every name each
// time it is filled. A missing catalog is remembered as an empty one.
std::shared_ptr<const GettextCatalog> catalogFor(const QString &language)
{
    static QHash<QString, std::shared_ptr<const GettextCatalog>> cache;
    const std::lock_guard lock(s_mutex);
    auto it = cache.constFind(language);
    if (it != cache.constEnd())
        return *it;
    auto catalog = std::make_shared<GettextCatalog>();
    const QString fileName = GeoInfo::catalogFile(language);
    QString error;
    if (QFile::exists(fileName) && !catalog->load(fileName, &error))
        qCWarning(lcGeo) << "ignoring the catalog" << fileName << error;
    cache.insert(language, catalog);
    return catalog;
}

// "de_DE.UTF-8@euro" -> "de_DE"
QString stripCodeset(QString code)
{
    const qsizetype at = code.indexOf(QLatin1Char('@'));
    if (at >= 0)
        code.truncate(at);
    const qsizetype dot = code.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        code.truncate(dot);
    return code;
}

bool isCLocale(const QString &code)
{
    return code.isEmpty() || code == QLatin1String("C") || code == QLatin1String("POSIX");
}

void appendWithLanguage(QStringList &languages, const QString &entry)
{
    const QString code = stripCodeset(entry);
    if (isCLocale(code))
        return;
    if (!languages.contains(code))
        languages.append(code);
    const qsizetype underscore = code.indexOf(QLatin1Char('_'));
    if (underscore > 0 && !languages.contains(code.left(underscore)))
        languages.append(code.left(underscore));
}

} // namespace

QString GeoInfo::tableFile()
{
    return QStringLiteral("/usr/share/iso-codes/json/iso_3166-1.json");
}

QString GeoInfo::catalogFile(const QString &language)
{
    return QStringLiteral("/usr/share/locale/") + language +
           QStringLiteral("/LC_MESSAGES/iso_3166-1.mo");
}

QList<Nation> GeoInfo::parseNations(const QByteArray &json)
{
    QList<Nation> nations;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        qCWarning(lcGeo) << "nation table is not valid JSON:" << error.errorString();
        return nations;
    }
    const QJsonArray entries = document.object().value(QLatin1String("3166-1")).toArray();
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        bool ok = false;
        const int id = entry.value(QLatin1String("numeric")).toString().toInt(&ok, 10);
        QString name = entry.value(QLatin1String("common_name")).toString();
        if (name.isEmpty())
            name = entry.value(QLatin1String("name")).toString();
        if (!ok || id <= 0 || id > MaxNumericCode || name.isEmpty())
            continue;
        nations.append(Nation{id, entry.value(QLatin1String("alpha_2")).toString(), name});
    }
    return nations;
}

QList<Nation> GeoInfo::nations()
{
    return cachedNations();
}

std::optional<QString> GeoInfo::friendlyName(int geoId, const QStringList &languages)
{
    for (const Nation &nation : cachedNations()) {
        if (nation.id != geoId)
            continue;
        const QByteArray msgid = nation.name.toUtf8();
        for (const QString &language : languages) {
            const QString translated = catalogFor(language)->translate(msgid);
            if (!translated.isEmpty())
                return translated;
        }
        return nation.name;
    }
    return std::nullopt;
}

std::optional<int> GeoInfo::nationOfLocale(const QString &localeCode)
{
    const QString code = stripCodeset(localeCode);
    const qsizetype separator = code.indexOf(QRegularExpression(QStringLiteral("[_-]")));
    if (separator < 0)
        return std::nullopt;
    const QString country = code.mid(separator + 1).toUpper();
    for (const Nation &nation : cachedNations()) {
        if (nation.alpha2 == country)
            return nation.id;
    }
    return std::nullopt;
}

QStringList GeoInfo::userLanguages()
{
    QString locale;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(name);
        if (!locale.isEmpty())
            break;
    }
    QStringList languages;
    // As in gettext, LANGUAGE only counts when a locale other than C is chosen.
    if (isCLocale(stripCodeset(locale)))
        return languages;
    const QStringList preferred =
        qEnvironmentVariable("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &entry : preferred)
        appendWithLanguage(languages, entry);
    appendWithLanguage(languages, locale);
    return languages;
}

} // namespace Geo
