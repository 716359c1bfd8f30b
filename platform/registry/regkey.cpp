#include "platform/registry/regkey.h"

#include "platform/registry/hivefile.h"

namespace {

constexpr REGSAM WriteAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

QString joinPath(const QString &a, const QString &b)
{
    return a.isEmpty() ? b : a + QLatin1Char('\\') + b;
}

} // namespace

reg_key_t::reg_key_t(HKEY root, const QString &path, REGSAM access, bool openNow)
    : m_root(root)
    , m_path(path)
    , m_access(access)
{
    if (openNow)
        open();
}

reg_key_t::~reg_key_t()
{
    close();
}

RegError reg_key_t::open()
{
    close();
    if (!Hive::splitPath(m_path))
        return ERROR_INVALID_PARAMETER;
    if ((m_access & WriteAccess) && !HiveFile::isWritable(m_root))
        return ERROR_ACCESS_DENIED;
    const HiveFile::Loaded loaded = HiveFile::load(m_root);
    if (loaded.error != ERROR_SUCCESS)
        return loaded.error;
    if (loaded.hive->find(m_path)) {
        m_open = true;
        return ERROR_SUCCESS;
    }
    if (!(m_access & WriteAccess))
        return ERROR_FILE_NOT_FOUND;
    const RegError created = HiveFile::modify(m_root, [this](Hive &hive, bool &changed) {
        changed = !hive.find(m_path);
        return hive.create(m_path) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    });
    m_open = created == ERROR_SUCCESS;
    return created;
}

void reg_key_t::close()
{
    m_open = false;
}

RegError reg_key_t::checkOpen(REGSAM needed) const
{
    if (!m_open)
        return ERROR_INVALID_HANDLE;
    if ((m_access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

RegError reg_key_t::queryValue(const QString &name, RegValue &value) const
{
    if (const RegError error = checkOpen(KEY_QUERY_VALUE))
        return error;
    const HiveFile::Loaded loaded = HiveFile::load(m_root);
    if (loaded.error != ERROR_SUCCESS)
        return loaded.error;
    const HiveKey *key = loaded.hive->find(m_path);
    if (!key)
        return ERROR_KEY_DELETED;
    const HiveKey::Value *found = key->value(name);
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    value = found->value;
    return ERROR_SUCCESS;
}

quint32 reg_key_t::queryDword(const QString &name) const
{
    quint32 data = 0;
    queryDword(name, data);
    return data;
}

RegError reg_key_t::queryDword(const QString &name, quint32 &data) const
{
    RegValue value;
    if (const RegError error = queryValue(name, value))
        return error;
    const auto dword = value.toDword();
    if (!dword)
        return value.data().size() > 4 ? ERROR_MORE_DATA : ERROR_INVALID_PARAMETER;
    data = *dword;
    return ERROR_SUCCESS;
}

bool reg_key_t::queryString(const QString &name, QString &out) const
{
    RegValue value;
    if (queryValue(name, value) != ERROR_SUCCESS || !value.isString())
        return false;
    out = value.toString();
    return true;
}

bool reg_key_t::deleteValue(const QString &name)
{
    if (checkOpen(KEY_SET_VALUE) != ERROR_SUCCESS)
        return false;
    return HiveFile::modify(m_root, [&](Hive &hive, bool &changed) {
               HiveKey *key = hive.find(m_path);
               if (!key)
                   return ERROR_KEY_DELETED;
               changed = key->removeValue(name);
               return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
           }) == ERROR_SUCCESS;
}

bool reg_key_t::deleteSubKey(const QString &subKey)
{
    if (checkOpen(0) != ERROR_SUCCESS || subKey.isEmpty() || !Hive::splitPath(subKey))
        return false;
    return HiveFile::modify(m_root, [&](Hive &hive, bool &changed) {
               changed = hive.remove(joinPath(m_path, subKey));
               return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
           }) == ERROR_SUCCESS;
}

RegError reg_key_t::setValue(const QString &name, const RegValue &value)
{
    if (const RegError error = checkOpen(KEY_SET_VALUE))
        return error;
    if (!Hive::isValidValueName(name))
        return ERROR_INVALID_PARAMETER;
    return HiveFile::modify(m_root, [&](Hive &hive, bool &changed) {
        HiveKey *key = hive.find(m_path);
        if (!key)
            return ERROR_KEY_DELETED;
        const HiveKey::Value *existing = key->value(name);
        changed = !existing || !(existing->value == value);
        key->setValue(name, value);
        return ERROR_SUCCESS;
    });
}

RegError reg_key_t::setDword(const QString &name, quint32 data)
{
    return setValue(name, RegValue::fromDword(data));
}

RegError reg_key_t::setString(const QString &name, const QString &value)
{
    return setValue(name, RegValue::fromString(value));
}

RegError reg_key_t::setBinary(const QString &name, const QByteArray &data)
{
    return setValue(name, RegValue::fromBinary(data));
}

QStringList reg_key_t::valueNames() const
{
    QStringList names;
    if (checkOpen(KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return names;
    if (const HiveKey *key = HiveFile::load(m_root).hive->find(m_path)) {
        for (const HiveKey::Value &value : key->values())
            names.append(value.name);
    }
    return names;
}

QStringList reg_key_t::subKeyNames() const
{
    QStringList names;
    if (checkOpen(KEY_ENUMERATE_SUB_KEYS) != ERROR_SUCCESS)
        return names;
    if (const HiveKey *key = HiveFile::load(m_root).hive->find(m_path)) {
        for (const auto &child : key->children())
            names.append(child->name());
    }
    return names;
}
