#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// The launcher's locale: language packs, the selected locale code, and the fixed table of Windows
// locales (LCID, abbreviation, names, ANSI code page) with the built-in messages shown when a
// locale's dictionary is missing. The locale id of a locale is its index in that table: 0 is the
// empty record, 1 to 206 are Windows locales, 58 is "en_us".
class LocaleUtil
{
public:
    struct LanguagePack
    {
        QString folder;
        QString preferenceString;
        QString localeIdString;
    };

    struct MissingDictionaryMessage
    {
        QString title;
        QString text;
        QString button;
    };

    static constexpr int englishLocaleId = 58;
    static constexpr int lastLocaleId = 206;

    // The packs below applicationDirectory + "/Locales/": every folder whose
    // "Support Files/pack.inf" names both a preference string and a locale id, in the order of
    // the folder listing.
    static QList<LanguagePack> languagePacks(const QString &applicationDirectory);

    // The locale code the launcher runs in, computed on the first call and then kept: the first
    // pack's locale id when two or more packs are installed, else the machine-wide "Locale"
    // setting ("en_us" written there when it is empty); every English variant becomes "en_us",
    // and a code the table does not know falls back to "en_us".
    static QString currentLocaleCode(const QString &applicationDirectory);
    // Forgets the cached pack count and locale code, so the next call computes them again.
    static void resetCache();

    // The id of a code, compared without regard to case ("" gives 0). Throws
    // std::runtime_error("Invalid locale string in locale/LocaleUtil.cpp") for a code the table
    // does not know.
    static int localeIdForCode(const QString &code);
    static bool isKnownLocaleCode(const QString &code);

    // Accessors by id; ids outside 0 to 206 throw
    // std::runtime_error("Invalid locale in locale/LocaleUtil.cpp").
    static quint32 lcid(int id);
    static QString localeName(int id);
    static QString alternateName(int id);
    static QString abbreviation(int id);
    // The default ANSI code page (0 for locales without one).
    static int codePage(int id);
    // The "ANSI code page" of a locale as a character-set name for QStringDecoder
    // ("windows-1252", "Shift_JIS", ...); UTF-8 for a locale without an ANSI code page.
    static QByteArray ansiCharset(int id);

    static MissingDictionaryMessage missingDictionaryMessage(int localeId);

    // The ISO 15924 script code ("Latn", "Cyrl", "Jpan", ... "Zyyy") of a Windows locale.
    static QString scriptCode(quint32 lcid);

    // The dictionary of a locale: localeDirectory + code + "/zstring.dct".
    static QString dictionaryPath(const QString &localeDirectory, const QString &code);
};
