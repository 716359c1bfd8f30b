#pragma once

#include "components/scriptruntime/kernova/liveobject.h"

#include <QString>
#include <QUrl>

namespace KnObjects {

// The script class "URL": one address and its parts, read-only except `url` itself.
//   valid      whether the text is an absolute address with a scheme
//   scheme, host, user, port ("" without an explicit port)
//   path       the decoded path without its ";parameter"
//   parameter  what follows the first ";" of the path ("http://h/a;type=i" gives "type=i")
//   query      the query without "?"
//   location   the address from its first "?" or "#" on
//   fragment   the part after "#"
class URLObject : public Kernova::LiveObject
{
public:
    enum Id {
        kUrl = 1,
        kValid = 2,
        kScheme = 3,
        kHost = 4,
        kLocation = 5,
        kParameter = 6,
        kQuery = 7,
        kUser = 8,
        kPort = 10,
        kPath = 11,
        kFragment = 12
    };
    // Longer texts are kept but not parsed (they are no valid address).
    static constexpr qsizetype kMaxParsedLength = 1024 * 1024 + 4096;

    explicit URLObject(const QString &url = {});

    int initialize() override;
    int get(int id, Kernova::Variant &value) override;
    int put(int id, const Kernova::Variant &value) override;

    QString url() const { return m_text; }
    void setUrl(const QString &url);

    // The parts of an address that is not valid are all empty.
    bool isValid() const;
    QString scheme() const;
    QString host() const;
    QString user() const;
    QString port() const;
    QString path() const;
    QString parameter() const;
    QString query() const;
    QString location() const;
    QString fragment() const;

private:
    QString m_text;
    QUrl m_url;
};

} // namespace KnObjects
