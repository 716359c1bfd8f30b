#pragma once

#include "components/scriptruntime/kernova/variant.h"

#include <QMap>
#include <QStringList>

namespace Kernova {

// Values by name (plain script objects).
class HashTable
{
public:
    void put(const String &key, const Variant &value) { m_values.insert(key.toQString(), value); }
    Variant get(const String &key) const { return m_values.value(key.toQString()); }
    bool contains(const String &key) const { return m_values.contains(key.toQString()); }
    void remove(const String &key) { m_values.remove(key.toQString()); }
    QStringList keys() const { return m_values.keys(); }
    qsizetype size() const { return m_values.size(); }

private:
    QMap<QString, Variant> m_values;
};

} // namespace Kernova
