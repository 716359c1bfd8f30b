#include "components/mbs/clientid.h"

#include "components/mbs/feedsettings.h"
#include "platform/namedmutex/namedmutex.h"
#include "platform/registry/ptsettings.h"

#include <QUuid>

namespace {

QString stored()
{
    PtSettingsCU user(QString::fromLatin1(FeedSettings::keyPath));
    return user.value(QStringLiteral("ClientId")).toString();
}

} // namespace

bool ClientId::isValid(const QString &text)
{
    const QUuid uuid = QUuid::fromString(text);
    return !uuid.isNull() && uuid.toString(QUuid::WithoutBraces) == text;
}

QString ClientId::get()
{
    const QString existing = stored();
    if (isValid(existing))
        return existing;
    // Two processes making the id at once would each hand out their own; the second one looks
    // again under the lock and takes the first one's.
    NamedMutex::Created created = NamedMutex::create(QStringLiteral("TessalyMBSClientId"));
    bool owned = false;
    if (created.mutex) {
        const NamedMutex::WaitResult waited = created.mutex->wait(std::chrono::seconds(5));
        owned = waited == NamedMutex::WaitResult::Acquired ||
                waited == NamedMutex::WaitResult::Abandoned;
    }
    QString id = stored();
    if (!isValid(id)) {
        id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        PtSettingsCU user(QString::fromLatin1(FeedSettings::keyPath));
        user.setValue(QStringLiteral("ClientId"), id);
        user.sync();
    }
    if (owned)
        created.mutex->release();
    return id;
}
