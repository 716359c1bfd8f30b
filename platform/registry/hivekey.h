#pragma once

#include "platform/registry/regvalue.h"

#include <QByteArrayList>
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

// One key of a hive: its name as first written, its values and sub-keys in file order, and the
// lines of its section that could not be read, kept byte for byte so a rewrite does not drop
// them. Names are looked up without regard to letter case; the stored case never changes.
class HiveKey
{
public:
    struct Value
    {
        QString name; // empty: the unnamed value ("@")
        RegValue value;
    };

    explicit HiveKey(QString name);
    HiveKey(const HiveKey &) = delete;
    HiveKey &operator=(const HiveKey &) = delete;

    const QString &name() const { return m_name; }

    HiveKey *child(QStringView name);
    const HiveKey *child(QStringView name) const;
    // The existing sub-key of that name (whatever its case) or a new one named as given.
    HiveKey &ensureChild(const QString &name);
    bool removeChild(QStringView name);
    const std::vector<std::unique_ptr<HiveKey>> &children() const { return m_children; }

    const Value *value(QStringView name) const;
    // Replaces the data of an existing value, keeping the case of its name, or appends one.
    void setValue(const QString &name, const RegValue &value);
    bool removeValue(QStringView name);
    const std::vector<Value> &values() const { return m_values; }

    const QByteArrayList &keptLines() const { return m_keptLines; }
    void keepLines(const QByteArrayList &lines) { m_keptLines += lines; }

    bool isEmpty() const;

    static QString fold(QStringView name) { return name.toString().toCaseFolded(); }

private:
    void reindexValues();

    QString m_name;
    std::vector<std::unique_ptr<HiveKey>> m_children;
    QHash<QString, HiveKey *> m_childIndex;
    std::vector<Value> m_values;
    QHash<QString, size_t> m_valueIndex;
    QByteArrayList m_keptLines;
};
