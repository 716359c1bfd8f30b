#pragma once

#include "crosswire/cwconnectorappinfo.h"
#include "crosswire/solockable.h"

#include <QList>

#include <atomic>
#include <cstdint>
#include <optional>

namespace KnObjects {

// A lockable list of application records (the installed or the running applications). Lookups
// copy the record out under the list's lock.
class CWConnectorAppInfoList : public SoLockable
{
public:
    // Redirections longer than this are taken as a cycle.
    static constexpr int kMaxRedirects = 16;

    CWConnectorAppInfoList() = default;
    CWConnectorAppInfoList(const CWConnectorAppInfoList &other);
    CWConnectorAppInfoList &operator=(const CWConnectorAppInfoList &other);

    QList<CWConnectorAppInfo> records() const;
    void setRecords(const QList<CWConnectorAppInfo> &records);
    // Replaces the record of the same specifier or appends it.
    void add(const CWConnectorAppInfo &record);
    bool remove(const QByteArray &specifier);
    void clear();
    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }
    // Changes with every change of the list, so what was worked out from it can be kept.
    uint64_t generation() const { return m_generation.load(std::memory_order_acquire); }

    // The record of `specifier`: its exact text first, else the text without its instance part
    // (an endpoint suffix is ignored). A record whose "RedirectTo" is set stands for the record
    // it names, followed recursively; a cycle or a redirection to a missing record finds nothing.
    std::optional<CWConnectorAppInfo> find(const QByteArray &specifier) const;

    // The full specifier for `text` resolved against the installed and running applications:
    // a bare application takes a running one's specifier; a missing or major-only version takes
    // the highest installed version of that major (any version without one); a full version
    // takes the installed record of that version, preferring the given locale. The given
    // instance and endpoint suffix are kept; without a match the result is the lower-cased text
    // (empty for a text of 256 characters or more).
    static QByteArray normalize(const QByteArray &text, const CWConnectorAppInfoList &installed,
                                const CWConnectorAppInfoList &running);

private:
    std::optional<CWConnectorAppInfo> findDirect(const QByteArray &specifier) const;

    void changed() { m_generation.fetch_add(1, std::memory_order_acq_rel); }

    QList<CWConnectorAppInfo> m_records;
    std::atomic<uint64_t> m_generation{0};
};

} // namespace KnObjects
