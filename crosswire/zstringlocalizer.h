#pragma once

#include "components/scriptruntime/kernova/localizer.h"

#include <QHash>
#include <QString>

#include <list>
#include <mutex>

namespace KnObjects {

// Translates the ZStrings of scripts ("$$$/Group/Key=Default text") from dictionaries that sit
// beside the scripts: a path template names the dictionary of a calling script, by default
// "{FILEPATH}/{FILENAME}/{FILENAME}_{LOCALE}.dat" (a "Tools.jsx" in Scripts/ reads
// Scripts/Tools/Tools_de_DE.dat). A dictionary holds one "key=text" line per entry, keys with or
// without the leading "$$$"; it is read on first use and kept. A text whose key no dictionary
// has gives its default text; a text that is no ZString comes back unchanged.
//
// Placeholders of the template: {USERDATA}, {ALLDATA}, {STARTUP}, {PACKAGE}, {COMMONFILES} (the
// runtime's special folders, filled when the template is set), {FILEPATH} (the script's
// folder), {FILENAME} (its name without extension), {LANGUAGE} ("de"), {REGION} ("DE"),
// {LOCALE} ("de_DE") and {ZSTRINGINFO} (the locale code of the product's own dictionaries,
// "de_de").
//
// Pushed with Kernova::Localizer::push, it answers Kernova::Localizer::translate; it removes
// itself when destroyed. Safe to use from several threads.
class ZStringLocalizer : public Kernova::Localizer
{
public:
    static constexpr QLatin1StringView kDefaultTemplate{
        "{FILEPATH}/{FILENAME}/{FILENAME}_{LOCALE}.dat"};
    // Larger dictionary files are not read; entries beyond the limit are ignored.
    static constexpr qint64 kMaxDictionaryBytes = 4 * 1024 * 1024;
    static constexpr int kMaxEntries = 100000;
    // Dictionaries kept at once; the one unused longest goes first.
    static constexpr int kMaxCachedDictionaries = 64;

    // `locale` in either form ("de_de", "de_DE"); empty: the launcher's locale.
    explicit ZStringLocalizer(const QString &locale = {});
    ~ZStringLocalizer() override;

    void setTemplate(const QString &pathTemplate);
    QString pathTemplate() const;
    // Whether the dictionary depends on the calling script ({FILEPATH} or {FILENAME} remain).
    bool dependsOnScript() const;
    void setLocale(const QString &locale);
    // "de_DE".
    QString locale() const;

    Kernova::String localize(const Kernova::String &text, const Kernova::FileSpec &script) override;
    // The dictionary file for `script`; empty when the template needs a script and there is
    // none.
    QString dictionaryPath(const Kernova::FileSpec &script) const;
    void clearCache();

private:
    struct Dictionary
    {
        QString path;
        QHash<QString, QString> entries;
    };
    const Dictionary &dictionary(const QString &path);
    static Dictionary read(const QString &path);
    QString pathFor(const Kernova::FileSpec &script) const;

    mutable std::mutex m_mutex;
    QString m_template;
    bool m_dependsOnScript = true;
    QString m_language;
    QString m_region;
    QString m_productLocale;
    std::list<Dictionary> m_cache; // most recently used first
};

} // namespace KnObjects
