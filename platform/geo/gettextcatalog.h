#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace Geo {

// A compiled gettext message catalog (".mo" file): the translations of one domain into one
// language. Only the singular form of each message is kept; that is all a name list needs.
class GettextCatalog
{
public:
    // Larger files are refused: the biggest catalog of iso-codes is well below this.
    static constexpr qsizetype MaxFileSize = 16 * 1024 * 1024;

    // Parses a catalog held in memory. On malformed input returns false, fills *error (when
    // given) and leaves the catalog empty.
    bool parse(const QByteArray &data, QString *error = nullptr);
    bool load(const QString &fileName, QString *error = nullptr);

    // The translation of msgid (UTF-8), or an empty string when the catalog has none.
    QString translate(const QByteArray &msgid) const;

    qsizetype size() const { return m_messages.size(); }
    bool isEmpty() const { return m_messages.isEmpty(); }

private:
    QHash<QByteArray, QByteArray> m_messages;
};

} // namespace Geo
