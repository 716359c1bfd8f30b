#include "platform/registry/registryformat.h"

#include "platform/registry/hivefile.h"
#include "platform/registry/regdocument.h"
#include "platform/registry/registrylog.h"
#include "platform/registry/regwriter.h"

#include <QDataStream>
#include <QFileDevice>
#include <QHash>
#include <QIODevice>
#include <QMutex>

#include <limits>

namespace {

// The name under which QSettings sees the unnamed value, as on Windows.
const QString DefaultName = QStringLiteral("default");
// Values of types the registry has no place for are stored as REG_BINARY starting with this.
const QByteArray VariantMagic = QByteArrayLiteral("@Variant(");

QMutex caseMutex;
QHash<QString, QHash<QString, QString>> caseBooks;
// Per hive file, what QSettings in this process last read or wrote: the base of the three-way
// merge in writeHive.
QHash<QString, QSettings::SettingsMap> bases;

bool same(const QVariant &a, const QVariant &b)
{
    return a.metaType() == b.metaType() && a == b;
}

QString fileNameOf(QIODevice &device)
{
    const auto *file = qobject_cast<QFileDevice *>(&device);
    return file ? file->fileName() : QString();
}

RegRoot rootOf(const QString &fileName, const RegDocument *doc)
{
    if (const auto root = HiveFile::rootOfFile(fileName))
        return *root;
    if (doc) {
        for (const RegDocument::Entry &entry : doc->entries()) {
            if (entry.kind == RegDocument::Entry::Key)
                return entry.root;
        }
    }
    return RegRoot::CurrentUser;
}

QVariant toVariant(const RegValue &value)
{
    if (value.isString())
        return value.toString();
    if (const auto dword = value.toDword())
        return int(*dword); // a DWORD reads as a signed int, as Qt's native registry backend does
    if (const auto qword = value.toQword())
        return qlonglong(*qword);
    if (value.type() == REG_MULTI_SZ)
        return value.toStringList();
    if (value.type() == REG_BINARY && value.data().startsWith(VariantMagic) &&
        value.data().endsWith(')')) {
        QByteArray inner = value.data().sliced(VariantMagic.size());
        inner.chop(1);
        QDataStream stream(inner);
        stream.setVersion(QDataStream::Qt_6_0);
        QVariant variant;
        stream >> variant;
        if (stream.status() == QDataStream::Ok)
            return variant;
    }
    return value.data();
}

RegValue fromVariant(const QVariant &variant)
{
    switch (variant.typeId()) {
    case QMetaType::QString:
        return RegValue::fromString(variant.toString());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        const qlonglong signedValue = variant.toLongLong(&ok);
        if (ok && signedValue >= std::numeric_limits<qint32>::min() &&
            signedValue <= qlonglong(std::numeric_limits<quint32>::max()))
            return RegValue::fromDword(quint32(signedValue));
        return RegValue::fromQword(variant.toULongLong());
    }
    case QMetaType::QByteArray:
        return RegValue::fromBinary(variant.toByteArray());
    case QMetaType::QStringList:
        return RegValue::fromStringList(variant.toStringList());
    case QMetaType::Bool:
    case QMetaType::Double:
    case QMetaType::Float:
        return RegValue::fromString(variant.toString());
    default:
        break;
    }
    if (!variant.isValid())
        return RegValue::fromString(QString());
    if (variant.canConvert<QString>() && variant.typeId() != QMetaType::QVariantList)
        return RegValue::fromString(variant.toString());
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << variant;
    return RegValue::fromBinary(VariantMagic + bytes + ')');
}

// A value QSettings can address: no '/' in its path or name (the separator of settings keys),
// and no named value called "Default" (that name addresses the unnamed value).
bool addressable(bool pathAddressable, const HiveKey::Value &value)
{
    if (!pathAddressable || value.name.contains(QLatin1Char('/')))
        return false;
    return value.name.isEmpty() || RegistryFormat::fold(value.name) != DefaultName;
}

QString settingsKey(const QString &slashPath, const HiveKey::Value &value)
{
    const QString name = value.name.isEmpty() ? DefaultName : RegistryFormat::fold(value.name);
    return slashPath.isEmpty() ? name : slashPath + QLatin1Char('/') + name;
}

// Visits every key with its path in folded and in stored case, '/'-separated, and whether
// QSettings can address it (no key name on the way contains a '/').
using Visitor = std::function<void(HiveKey &key, const QString &foldedSlashPath,
                                   const QString &casedSlashPath, bool addressable)>;

void walk(HiveKey &key, const QString &folded, const QString &cased, bool addressable,
          const Visitor &visit)
{
    visit(key, folded, cased, addressable);
    for (const auto &child : key.children()) {
        const QString childFolded = RegistryFormat::fold(child->name());
        walk(*child, folded.isEmpty() ? childFolded : folded + QLatin1Char('/') + childFolded,
             cased.isEmpty() ? child->name() : cased + QLatin1Char('/') + child->name(),
             addressable && !child->name().contains(QLatin1Char('/')), visit);
    }
}

bool readHive(QIODevice &device, QSettings::SettingsMap &map)
{
    const QString fileName = fileNameOf(device);
    const QByteArray bytes = device.read(RegDocument::MaxFileSize + 1);
    const RegDocument doc = RegDocument::parse(bytes);
    HiveFile::reportIssues(fileName, doc);
    if (doc.tooLarge())
        return false;
    Hive hive(rootOf(fileName, &doc));
    hive.apply(doc, true);

    QHash<QString, QString> cases;
    walk(hive.rootKey(), QString(), QString(), true,
         [&](HiveKey &key, const QString &folded, const QString &cased, bool reachable) {
             if (!folded.isEmpty() && reachable)
                 cases.insert(folded, cased);
             for (const HiveKey::Value &value : key.values()) {
                 if (!addressable(reachable, value))
                     continue;
                 const QString mapKey = settingsKey(folded, value);
                 map.insert(mapKey, toVariant(value.value));
                 if (!value.name.isEmpty())
                     cases.insert(mapKey, cased.isEmpty() ? value.name
                                                          : cased + QLatin1Char('/') + value.name);
             }
         });
    const QMutexLocker locker(&caseMutex);
    QHash<QString, QString> &book = caseBooks[fileName];
    for (auto it = cases.cbegin(); it != cases.cend(); ++it)
        book.insert(it.key(), it.value());
    bases.insert(fileName, map);
    return true;
}

// The last component of the remembered spelling of a folded key.
QString casedName(const QString &fileName, const QString &foldedKey)
{
    const QString cased = RegistryFormat::casedKey(fileName, foldedKey);
    return cased.mid(cased.lastIndexOf(QLatin1Char('/')) + 1);
}

bool writeHive(QIODevice &device, const QSettings::SettingsMap &map)
{
    // QSettings holds the hive's lock. Its map is what it last read plus this process's changes,
    // but the file may have changed since (another process, a raw key write): QSettings decides
    // whether to read again by size and time alone. So the changes are found against what it
    // read (the base) and applied to the file as it is now; values nobody here touched stay as
    // the file has them.
    const QString fileName = fileNameOf(device);
    RegError error = ERROR_SUCCESS;
    const std::unique_ptr<Hive> hive =
        HiveFile::readForUpdate(fileName, rootOf(fileName, nullptr), error);
    if (!hive)
        return false;
    QSettings::SettingsMap base;
    {
        const QMutexLocker locker(&caseMutex);
        base = bases.value(fileName);
    }
    const auto changedHere = [&](const QString &key, const QVariant &value) {
        const auto it = base.constFind(key);
        return it == base.cend() || !same(*it, value);
    };

    QSet<QString> present;
    walk(hive->rootKey(), QString(), QString(), true,
         [&](HiveKey &key, const QString &folded, const QString &, bool reachable) {
             QStringList gone;
             for (const HiveKey::Value &value : key.values()) {
                 if (!addressable(reachable, value))
                     continue;
                 const QString mapKey = settingsKey(folded, value);
                 present.insert(mapKey);
                 const auto it = map.constFind(mapKey);
                 if (it == map.cend()) {
                     // Removed here, or written elsewhere after QSettings read the file.
                     if (base.contains(mapKey))
                         gone.append(value.name);
                     continue;
                 }
                 if (changedHere(mapKey, *it) && !same(toVariant(value.value), *it))
                     key.setValue(value.name, fromVariant(*it));
             }
             for (const QString &name : gone)
                 key.removeValue(name);
         });

    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        // Not in the file: new here, or deleted elsewhere after QSettings read it.
        if (present.contains(it.key()) || !changedHere(it.key(), *it))
            continue;
        const QStringList parts = it.key().split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (parts.isEmpty())
            continue;
        HiveKey *key = &hive->rootKey();
        QString folded;
        bool valid = true;
        for (qsizetype i = 0; i + 1 < parts.size() && valid; ++i) {
            folded += (i ? QStringLiteral("/") : QString()) + parts[i];
            const QString name = casedName(fileName, folded);
            valid = Hive::splitPath(name).has_value() && !name.contains(QLatin1Char('\\'));
            if (valid)
                key = &key->ensureChild(name);
        }
        const QString name =
            parts.constLast() == DefaultName ? QString() : casedName(fileName, it.key());
        if (!valid || !Hive::isValidValueName(name)) {
            qCWarning(lcRegistry, "%ls: cannot store \"%ls\"", qUtf16Printable(fileName),
                      qUtf16Printable(it.key()));
            continue;
        }
        key->setValue(name, fromVariant(*it));
    }

    const QByteArray bytes = RegWriter::hiveFile(*hive);
    if (bytes.size() > RegDocument::MaxFileSize)
        return false;
    auto *file = qobject_cast<QFileDevice *>(&device);
    const bool written = file ? HiveFile::writeReplacement(*file, bytes, fileName)
                              : device.write(bytes) == bytes.size();
    if (written) {
        // QSettings takes its map as the file's contents from now on.
        const QMutexLocker locker(&caseMutex);
        bases.insert(fileName, map);
    }
    return written;
}

} // namespace

QSettings::Format RegistryFormat::format()
{
    static const QSettings::Format registered =
        QSettings::registerFormat(QStringLiteral("reg"), readHive, writeHive, Qt::CaseInsensitive);
    return registered;
}

void RegistryFormat::rememberCase(const QString &fileName, const QString &foldedKey,
                                  const QString &casedKey)
{
    const QMutexLocker locker(&caseMutex);
    QHash<QString, QString> &book = caseBooks[fileName];
    if (!book.contains(foldedKey))
        book.insert(foldedKey, casedKey);
}

QString RegistryFormat::casedKey(const QString &fileName, const QString &foldedKey)
{
    const QMutexLocker locker(&caseMutex);
    return caseBooks.value(fileName).value(foldedKey, foldedKey);
}
