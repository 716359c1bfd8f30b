#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Geo {

// One nation of ISO 3166-1: its numeric code is the geographical identifier the launcher uses.
struct Nation
{
    int id = 0;
    QString alpha2;
    QString name; // English friendly name (the common name where the standard has one)
};

// The operating system's list of nations and their names, from iso-codes: the ISO 3166-1 table
// (iso_3166-1.json) and its translations in the gettext domain "iso_3166-1".
class GeoInfo
{
public:
    // The nations in the order of the table; empty when iso-codes is not installed.
    static QList<Nation> nations();

    // The friendly name of a nation in the first of the languages that has a translation,
    // else in English; nullopt for an identifier that names no nation.
    static std::optional<QString> friendlyName(int geoId, const QStringList &languages);
    static std::optional<QString> friendlyName(int geoId)
    {
        return friendlyName(geoId, userLanguages());
    }

    // The nation of a locale code such as "de_DE" or "pt-BR"; nullopt when the code names no
    // country or an unknown one.
    static std::optional<int> nationOfLocale(const QString &localeCode);

    // The user's message languages, most preferred first, as gettext looks for catalogs: the
    // entries of LANGUAGE, then the locale of LC_ALL, LC_MESSAGES or LANG, each followed by its
    // bare language ("de_AT" then "de"). Empty for the C locale.
    static QStringList userLanguages();

    // Reads the nations of an iso_3166-1.json document; entries without a valid numeric code or
    // name are skipped. Exposed for tests and the fuzzer.
    static QList<Nation> parseNations(const QByteArray &json);

    static QString tableFile();
    static QString catalogFile(const QString &language);
};

} // namespace Geo
