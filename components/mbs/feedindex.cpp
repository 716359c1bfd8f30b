#include "components/mbs/feedindex.h"

#include "services/mbsitemname.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <cmath>
#include <optional>

namespace {

bool isSafeName(const QString &name)
{
    return MBS::isSafeItemName(name.toUtf8().toStdString());
}

std::optional<uint32_t> kindCode(const QString &text)
{
    if (text.size() != 4)
        return std::nullopt;
    uint32_t code = 0;
    for (const QChar c : text) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7e)
            return std::nullopt;
        code = (code << 8) | c.unicode();
    }
    return code;
}

// A short text without control characters, or nothing.
std::optional<QString> textField(const QJsonObject &object, const QString &key, bool required)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return required ? std::nullopt : std::optional<QString>(QString());
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    if (text.size() > FeedIndex::maximumTextLength || (required && text.isEmpty()))
        return std::nullopt;
    return text;
}

std::optional<QStringList> listField(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return QStringList();
    if (!value.isArray() || value.toArray().size() > FeedIndex::maximumItems)
        return std::nullopt;
    QStringList list;
    for (const QJsonValue &entry : value.toArray()) {
        if (!entry.isString() || entry.toString().size() > FeedIndex::maximumTextLength)
            return std::nullopt;
        list.append(entry.toString().toLower());
    }
    return list;
}

std::optional<FeedItem::File> fileOf(const QJsonValue &value, const FeedItem &item, QString *why)
{
    if (!value.isObject()) {
        *why = QStringLiteral("a file is not an object");
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    FeedItem::File file;
    file.name = object.value(QLatin1String("name")).toString();
    if (!isSafeName(file.name) ||
        file.name.compare(QLatin1String("manifest.txt"), Qt::CaseInsensitive) == 0) {
        *why = QStringLiteral("unsafe file name \"%1\"").arg(file.name);
        return std::nullopt;
    }
    const QJsonValue path = object.value(QLatin1String("path"));
    if (path.isUndefined())
        file.path =
            item.identifier + QLatin1Char('/') + item.version + QLatin1Char('/') + file.name;
    else
        file.path = path.toString();
    if (!FeedIndex::isSafeRelativePath(file.path)) {
        *why = QStringLiteral("unsafe path \"%1\"").arg(file.path);
        return std::nullopt;
    }
    const double size = object.value(QLatin1String("size")).toDouble(-1);
    if (!(size >= 0) || size > double(FeedIndex::maximumFileSize) || std::floor(size) != size) {
        *why = QStringLiteral("no exact size for \"%1\"").arg(file.name);
        return std::nullopt;
    }
    file.size = qint64(size);
    const QString sum = object.value(QLatin1String("sha256")).toString();
    const QByteArray raw = QByteArray::fromHex(sum.toLatin1());
    if (sum.size() != 64 || raw.size() != 32 || raw.toHex() != sum.toLatin1().toLower()) {
        *why = QStringLiteral("no SHA-256 sum for \"%1\"").arg(file.name);
        return std::nullopt;
    }
    file.sha256 = raw;
    return file;
}

std::optional<FeedItem> itemOf(const QJsonValue &value, QString *why)
{
    if (!value.isObject()) {
        *why = QStringLiteral("an item is not an object");
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    FeedItem item;
    const auto kind = kindCode(object.value(QLatin1String("kind")).toString());
    const auto name = textField(object, QStringLiteral("name"), true);
    const auto identifier = textField(object, QStringLiteral("identifier"), true);
    const auto version = textField(object, QStringLiteral("version"), true);
    if (!kind || !name || !identifier || !version) {
        *why = QStringLiteral("an item lacks its kind, name, identifier or version");
        return std::nullopt;
    }
    item.kind = *kind;
    item.name = *name;
    item.identifier = *identifier;
    item.version = *version;
    const QJsonValue offered = object.value(QLatin1String("offered"));
    if (!offered.isUndefined() && !offered.isBool()) {
        *why = QStringLiteral("\"offered\" of %1 is not true or false").arg(item.identifier);
        return std::nullopt;
    }
    item.offered = offered.toBool(true);
    const auto locales = listField(object, QStringLiteral("locales"));
    const auto products = listField(object, QStringLiteral("products"));
    const auto productVersions = listField(object, QStringLiteral("productVersions"));
    if (!locales || !products || !productVersions) {
        *why = QStringLiteral("a list of %1 is not a list of texts").arg(item.identifier);
        return std::nullopt;
    }
    item.locales = *locales;
    item.products = *products;
    item.productVersions = *productVersions;

    const QJsonValue files = object.value(QLatin1String("files"));
    if (files.isUndefined() && !item.offered)
        return item;
    if (!files.isArray() || files.toArray().isEmpty() ||
        files.toArray().size() > FeedIndex::maximumFilesPerItem) {
        *why = QStringLiteral("%1 has no usable list of files").arg(item.identifier);
        return std::nullopt;
    }
    QSet<QString> names;
    for (const QJsonValue &entry : files.toArray()) {
        auto file = fileOf(entry, item, why);
        if (!file)
            return std::nullopt;
        if (names.contains(file->name)) {
            *why = QStringLiteral("%1 names \"%2\" twice").arg(item.identifier, file->name);
            return std::nullopt;
        }
        names.insert(file->name);
        item.files.push_back(std::move(*file));
    }
    return item;
}

} // namespace

bool FeedIndex::isSafeRelativePath(const QString &path)
{
    if (path.isEmpty() || path.size() > 4 * maximumTextLength)
        return false;
    const QStringList segments = path.split(QLatin1Char('/'));
    for (const QString &segment : segments) {
        if (!isSafeName(segment))
            return false;
    }
    return true;
}

FeedIndex::Result FeedIndex::parse(QByteArrayView text)
{
    Result result;
    if (text.size() > maximumIndexSize) {
        result.error = QStringLiteral("the index is larger than %1 bytes").arg(maximumIndexSize);
        return result;
    }
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(text.data(), text.size()), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        result.error = QStringLiteral("the index is no JSON object: %1")
                           .arg(parseError.error != QJsonParseError::NoError
                                    ? parseError.errorString()
                                    : QStringLiteral("wrong top level"));
        return result;
    }
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("format")).toInt(0) != 1) {
        result.error = QStringLiteral("the index is not of format 1");
        return result;
    }
    const QJsonValue items = root.value(QLatin1String("items"));
    if (!items.isArray()) {
        result.error = QStringLiteral("the index has no list of items");
        return result;
    }
    const QJsonArray array = items.toArray();
    if (array.size() > maximumItems) {
        result.error = QStringLiteral("the index lists more than %1 items").arg(maximumItems);
        return result;
    }
    QSet<QString> seen;
    for (const QJsonValue &entry : array) {
        QString why;
        auto item = itemOf(entry, &why);
        if (!item) {
            result.warnings.append(why);
            continue;
        }
        const QString key = QString::number(item->kind) + QLatin1Char(':') + item->identifier;
        if (seen.contains(key)) {
            result.warnings.append(QStringLiteral("%1 is listed twice").arg(item->identifier));
            continue;
        }
        seen.insert(key);
        result.items.push_back(std::move(*item));
    }
    result.ok = true;
    return result;
}
