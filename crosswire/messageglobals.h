#pragma once

#include <QByteArray>

#include <atomic>
#include <mutex>

namespace KnObjects::CrosswireData {

// Process-wide message settings: whether incoming digests are verified and outgoing messages get
// one (both on until the own application's configuration says otherwise), and the per-user digest
// key they use.
class MessageGlobals
{
public:
    static MessageGlobals &instance();

    bool verifyDigests() const { return m_verify.load(); }
    void setVerifyDigests(bool on) { m_verify.store(on); }
    bool addDigest() const { return m_addDigest.load(); }
    void setAddDigest(bool on) { m_addDigest.store(on); }

    QByteArray digestKey() const;
    void setDigestKey(const QByteArray &key);

private:
    MessageGlobals() = default;

    std::atomic<bool> m_verify{true};
    std::atomic<bool> m_addDigest{true};
    mutable std::mutex m_mutex;
    QByteArray m_digestKey;
};

} // namespace KnObjects::CrosswireData
