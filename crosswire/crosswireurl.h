#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace KnObjects {

// A "tessaly-crosswire" address, from which a script can make a ready Crosswire object:
//   tessaly-crosswire:pxoorganizer-11.0?body=open('organizeTab')
//   tessaly-crosswire://pxoorganizer-11.0/thread?type=ping
// The path parts give the target and, after it, an endpoint suffix (also accepted as the
// fragment: "...-11.0#thread"); the query's name=value pairs, percent-decoded, set properties
// of the object.
class CrosswireUrl
{
public:
    static constexpr QLatin1StringView kScheme{"tessaly-crosswire"};
    // The body travels in the address, so it may be as long as a message.
    static constexpr qsizetype kMaxLength = 1024 * 1024 + 4096;
    static constexpr int kMaxProperties = 256;

    // The target with its endpoint suffix ("pxoorganizer-11.0#thread").
    QByteArray target;
    // Query pairs in their order, decoded.
    QList<QPair<QString, QString>> properties;

    // Splits `url`; nothing when it is not a valid "tessaly-crosswire" address, with the reason
    // in `error`.
    static std::optional<CrosswireUrl> split(const QString &url, QString *error = nullptr);
    // Whether `text` may stand in an address as a target or endpoint suffix.
    static bool isSpecifierText(const QString &text);
};

} // namespace KnObjects
