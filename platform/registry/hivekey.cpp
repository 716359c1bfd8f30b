#include "platform/registry/hivekey.h"

#include <algorithm>

HiveKey::HiveKey(QString name)
    : m_name(std::move(name))
{
}

HiveKey *HiveKey::child(QStringView name)
{
    return m_childIndex.value(fold(name), nullptr);
}

const HiveKey *HiveKey::child(QStringView name) const
{
    return m_childIndex.value(fold(name), nullptr);
}

HiveKey &HiveKey::ensureChild(const QString &name)
{
    const QString folded = fold(name);
    if (HiveKey *existing = m_childIndex.value(folded, nullptr))
        return *existing;
    m_children.push_back(std::make_unique<HiveKey>(name));
    HiveKey *created = m_children.back().get();
    m_childIndex.insert(folded, created);
    return *created;
}

bool HiveKey::removeChild(QStringView name)
{
    HiveKey *existing = m_childIndex.take(fold(name));
    if (!existing)
        return false;
    std::erase_if(m_children, [existing](const auto &c) { return c.get() == existing; });
    return true;
}

const HiveKey::Value *HiveKey::value(QStringView name) const
{
    const auto it = m_valueIndex.constFind(fold(name));
    return it == m_valueIndex.cend() ? nullptr : &m_values[*it];
}

void HiveKey::setValue(const QString &name, const RegValue &value)
{
    const QString folded = fold(name);
    const auto it = m_valueIndex.constFind(folded);
    if (it != m_valueIndex.cend()) {
        m_values[*it].value = value;
        return;
    }
    m_valueIndex.insert(folded, m_values.size());
    m_values.push_back({name, value});
}

bool HiveKey::removeValue(QStringView name)
{
    const auto it = m_valueIndex.constFind(fold(name));
    if (it == m_valueIndex.cend())
        return false;
    m_values.erase(m_values.begin() + qsizetype(*it));
    reindexValues();
    return true;
}

bool HiveKey::isEmpty() const
{
    return m_children.empty() && m_values.empty() && m_keptLines.isEmpty();
}

void HiveKey::reindexValues()
{
    m_valueIndex.clear();
    for (size_t i = 0; i < m_values.size(); ++i)
        m_valueIndex.insert(fold(m_values[i].name), i);
}
