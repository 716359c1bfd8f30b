#include "crosswire/cwconnectorappinfolist.h"

#include "crosswire/objectlock.h"
#include "crosswire/specifier.h"

#include <QSet>
#include <QVersionNumber>

namespace KnObjects {

using Crosswire::Specifier;

namespace {

// A version with a "." is a full version; "11" or none selects by range.
bool isFullVersion(const QByteArray &version)
{
    return version.contains('.');
}

QVersionNumber versionOf(const QByteArray &version)
{
    return QVersionNumber::fromString(QString::fromLatin1(version)).normalized();
}

// The record's specifier with the caller's instance and endpoint suffix put back. When that
// would pass the length limit, the caller's text stands: a valid target never normalises to an
// invalid one.
QByteArray withCallerParts(const QByteArray &recordSpecifier, const Specifier &given)
{
    Specifier result(recordSpecifier);
    if (!given.instance().isEmpty())
        result.setInstance(given.instance());
    result.setEndpoint(given.endpoint());
    return result.isValid() ? result.text() : given.text();
}

} // namespace

CWConnectorAppInfoList::CWConnectorAppInfoList(const CWConnectorAppInfoList &other)
    : SoLockable()
    , m_records(other.records())
{
}

CWConnectorAppInfoList &CWConnectorAppInfoList::operator=(const CWConnectorAppInfoList &other)
{
    if (this != &other)
        setRecords(other.records());
    return *this;
}

QList<CWConnectorAppInfo> CWConnectorAppInfoList::records() const
{
    ObjectLock lock(*this);
    return m_records;
}

void CWConnectorAppInfoList::setRecords(const QList<CWConnectorAppInfo> &records)
{
    ObjectLock lock(*this);
    m_records = records;
    changed();
}

void CWConnectorAppInfoList::add(const CWConnectorAppInfo &record)
{
    ObjectLock lock(*this);
    changed();
    for (CWConnectorAppInfo &existing : m_records) {
        if (existing.specifier() == record.specifier()) {
            existing = record;
            return;
        }
    }
    m_records.append(record);
}

bool CWConnectorAppInfoList::remove(const QByteArray &specifier)
{
    ObjectLock lock(*this);
    changed();
    const QByteArray wanted = specifier.toLower();
    return m_records.removeIf(
               [&](const CWConnectorAppInfo &r) { return r.specifier() == wanted; }) > 0;
}

void CWConnectorAppInfoList::clear()
{
    ObjectLock lock(*this);
    m_records.clear();
    changed();
}

qsizetype CWConnectorAppInfoList::size() const
{
    ObjectLock lock(*this);
    return m_records.size();
}

std::optional<CWConnectorAppInfo> CWConnectorAppInfoList::findDirect(const QByteArray &text) const
{
    Specifier spec(text);
    if (!spec.isValid())
        return std::nullopt;
    spec.setEndpoint({});
    for (const CWConnectorAppInfo &record : m_records) {
        if (record.specifier() == spec.text())
            return record;
    }
    if (spec.instance().isEmpty())
        return std::nullopt;
    spec.setInstance({});
    for (const CWConnectorAppInfo &record : m_records) {
        if (record.specifier() == spec.text())
            return record;
    }
    return std::nullopt;
}

std::optional<CWConnectorAppInfo> CWConnectorAppInfoList::find(const QByteArray &specifier) const
{
    ObjectLock lock(*this);
    std::optional<CWConnectorAppInfo> record = findDirect(specifier);
    QSet<QByteArray> seen;
    while (record && !record->redirectTo().isEmpty()) {
        if (seen.contains(record->specifier()) || seen.size() >= kMaxRedirects)
            return std::nullopt;
        seen.insert(record->specifier());
        record = findDirect(record->redirectTo());
    }
    return record;
}

QByteArray CWConnectorAppInfoList::normalize(const QByteArray &text,
                                             const CWConnectorAppInfoList &installed,
                                             const CWConnectorAppInfoList &running)
{
    const Specifier given(text);
    if (!given.isValid())
        return {};

    if (given.version().isEmpty() && given.locale().isEmpty()) {
        for (const CWConnectorAppInfo &record : running.records()) {
            if (Specifier(record.specifier()).application() == given.application())
                return withCallerParts(record.specifier(), given);
        }
    }

    const QList<CWConnectorAppInfo> candidates = installed.records();
    if (!isFullVersion(given.version())) {
        QVersionNumber low(0);
        QVersionNumber high(99);
        if (!given.version().isEmpty()) {
            bool ok = false;
            const int major = given.version().toInt(&ok);
            if (!ok)
                return given.text();
            low = QVersionNumber(major);
            high = QVersionNumber(major + 1);
        }
        const CWConnectorAppInfo *best = nullptr;
        QVersionNumber bestVersion;
        bool bestLocale = false;
        for (const CWConnectorAppInfo &record : candidates) {
            const Specifier spec(record.specifier());
            if (spec.application() != given.application() || spec.version().isEmpty())
                continue;
            const QVersionNumber v = versionOf(spec.version());
            if (v.isNull() || v < low || v >= high)
                continue;
            const bool localeMatches = !given.locale().isEmpty() && spec.locale() == given.locale();
            if (!best || v > bestVersion || (v == bestVersion && localeMatches && !bestLocale)) {
                best = &record;
                bestVersion = v;
                bestLocale = localeMatches;
            }
        }
        return best ? withCallerParts(best->specifier(), given) : given.text();
    }

    const QVersionNumber wanted = versionOf(given.version());
    const CWConnectorAppInfo *match = nullptr;
    for (const CWConnectorAppInfo &record : candidates) {
        const Specifier spec(record.specifier());
        if (spec.application() != given.application() || versionOf(spec.version()) != wanted)
            continue;
        if (spec.locale() == given.locale()) {
            match = &record;
            break;
        }
        if (!match)
            match = &record;
    }
    return match ? withCallerParts(match->specifier(), given) : given.text();
}

} // namespace KnObjects
