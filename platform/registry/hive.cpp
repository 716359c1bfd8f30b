#include "platform/registry/hive.h"

#include "platform/registry/regdocument.h"

Hive::Hive(RegRoot root)
    : m_root(root)
    , m_rootKey(QString())
{
}

std::optional<QStringList> Hive::splitPath(QStringView path)
{
    QStringList parts;
    if (path.isEmpty())
        return parts;
    for (const QStringView part : path.tokenize(u'\\')) {
        if (part.isEmpty() || part.size() > MaxKeyNameLength)
            return std::nullopt;
        for (const QChar c : part) {
            if (c.unicode() < 0x20)
                return std::nullopt;
        }
        parts.append(part.toString());
        if (parts.size() > MaxDepth)
            return std::nullopt;
    }
    return parts;
}

bool Hive::isValidValueName(QStringView name)
{
    if (name.size() > MaxValueNameLength)
        return false;
    // A line break or a zero character cannot be written into a .reg line.
    return !name.contains(u'\n') && !name.contains(u'\r') && !name.contains(QChar(0));
}

HiveKey *Hive::find(QStringView path)
{
    return const_cast<HiveKey *>(std::as_const(*this).find(path));
}

const HiveKey *Hive::find(QStringView path) const
{
    const auto parts = splitPath(path);
    if (!parts)
        return nullptr;
    const HiveKey *key = &m_rootKey;
    for (const QString &part : *parts) {
        key = key->child(part);
        if (!key)
            return nullptr;
    }
    return key;
}

HiveKey *Hive::create(QStringView path)
{
    const auto parts = splitPath(path);
    if (!parts)
        return nullptr;
    HiveKey *key = &m_rootKey;
    for (const QString &part : *parts)
        key = &key->ensureChild(part);
    return key;
}

bool Hive::remove(QStringView path)
{
    const auto parts = splitPath(path);
    if (!parts || parts->isEmpty())
        return false;
    const qsizetype cut = path.lastIndexOf(u'\\');
    HiveKey *parent = cut < 0 ? &m_rootKey : find(path.left(cut));
    return parent && parent->removeChild(parts->constLast());
}

void Hive::apply(const RegDocument &document, bool keepUnreadable)
{
    // current: the section the following values belong to (null after an unusable header);
    // attach: where kept lines go while there is no usable section.
    HiveKey *current = nullptr;
    HiveKey *attach = nullptr;
    const auto keep = [&](const QByteArrayList &raw) {
        if (!keepUnreadable)
            return;
        if (HiveKey *target = current ? current : attach)
            target->keepLines(raw);
        else
            m_preamble += raw;
    };

    for (const RegDocument::Entry &entry : document.entries()) {
        switch (entry.kind) {
        case RegDocument::Entry::Key:
            if (entry.root == m_root) {
                current = attach = create(entry.path);
            } else {
                current = nullptr;
                keep(entry.raw);
            }
            break;
        case RegDocument::Entry::DeleteKey:
            if (entry.root == m_root) {
                if (entry.path.isEmpty())
                    keep(entry.raw);
                else
                    remove(entry.path);
                // Either key may have been below the deleted one.
                current = attach = nullptr;
            } else {
                current = nullptr;
                keep(entry.raw);
            }
            break;
        case RegDocument::Entry::Value:
            if (current)
                current->setValue(entry.name, entry.value);
            else
                keep(entry.raw);
            break;
        case RegDocument::Entry::DeleteValue:
            if (current)
                current->removeValue(entry.name);
            else
                keep(entry.raw);
            break;
        case RegDocument::Entry::Kept:
            keep(entry.raw);
            break;
        }
    }
}
