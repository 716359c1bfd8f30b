#include "platform/registry/productsettings.h"

#include "platform/folders/folders.h"
#include "platform/registry/hivefile.h"
#include "platform/registry/ptsettings.h"

#include "tessaly_version.h"

#include <QUuid>

namespace ProductSettings {

namespace {

QString versionText()
{
    return QStringLiteral("%1.%2").arg(TESSALY_VERSION_MAJOR).arg(TESSALY_VERSION_MINOR);
}

QString organizerFolder()
{
    return QStringLiteral("Orvana Organizer");
}

} // namespace

QString productKeyPath()
{
    return QStringLiteral("Software\\Tessaly\\") + organizerFolder() + QLatin1Char('\\') +
           versionText() + QStringLiteral("\\Organizer");
}

QString orvanaIniPath()
{
    return Folders::commonAppData() + QStringLiteral("/Tessaly/") + organizerFolder() +
           QLatin1Char('/') + versionText() + QStringLiteral("/Orvana.ini");
}

QString uniqueId()
{
    const QString name = QStringLiteral("PXO8UniqueID");
    {
        PtSettingsCU settings(productKeyPath());
        const QString stored = settings.value(name, QString()).toString();
        if (!stored.isEmpty())
            return stored;
    }
    // Made under the hive's lock and stored only if no other process stored one meanwhile, so
    // every process ends up with the same id.
    QString id = QUuid::createUuid().toString();
    HiveFile::modify(RegRoot::CurrentUser, [&](Hive &hive, bool &changed) {
        HiveKey *key = hive.create(productKeyPath());
        const HiveKey::Value *existing = key->value(name);
        if (existing && existing->value.isString() && !existing->value.toString().isEmpty()) {
            id = existing->value.toString();
            return ERROR_SUCCESS;
        }
        key->setValue(name, RegValue::fromString(id));
        changed = true;
        return ERROR_SUCCESS;
    });
    return id;
}

QString localeValue()
{
    PtSettingsLM settings(productKeyPath());
    QString locale = settings.value(QStringLiteral("Locale"), QString()).toString();
    if (locale.isEmpty()) {
        locale = QStringLiteral("en_us");
        settings.setValue(QStringLiteral("Locale"), locale);
    }
    return locale;
}

} // namespace ProductSettings
