#pragma once

#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireidentity.h"
#include "crosswire/message.h"
#include "crosswire/msghandler.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

namespace CrosswireTest {

using KnObjects::Crosswire::Message;

// Records what a handler is given; optionally bound to one serial and type.
class RecordingHandler : public KnObjects::Crosswire::MsgHandler
{
public:
    struct Entry
    {
        int event;
        QByteArray type;
        QByteArray body;
        QByteArray errorCode;
        uint32_t serial;
        QByteArray sender;
    };

    explicit RecordingHandler(QByteArray type = "Scriptara", int64_t serial = -1,
                              QByteArray answer = {}, int code = 0)
        : m_type(std::move(type))
        , m_serial(serial)
        , m_answer(std::move(answer))
        , m_code(code)
    {
    }

    int handle(int event, Message &message, QByteArray &result) override
    {
        std::lock_guard guard(m_mutex);
        m_entries.push_back({event, message.type, message.body, message.header("Error-Code"),
                             message.serialNumber, message.sender});
        result = m_answer;
        return m_code;
    }
    QByteArray type() const override { return m_type; }
    int64_t serial() const override { return m_serial; }

    std::vector<Entry> entries() const
    {
        std::lock_guard guard(m_mutex);
        return m_entries;
    }
    bool has(const QByteArray &type) const
    {
        for (const Entry &entry : entries()) {
            if (entry.type == type)
                return true;
        }
        return false;
    }

private:
    QByteArray m_type;
    int64_t m_serial;
    QByteArray m_answer;
    int m_code;
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

inline KnObjects::CrosswireContext::Identity identity()
{
    KnObjects::CrosswireIdentity::clearCache();
    return {KnObjects::CrosswireIdentity::userId(), KnObjects::CrosswireIdentity::digestKey()};
}

// Pumps `context` until `done` holds or `seconds` passed (a bound, never an expectation).
inline bool pumpUntil(KnObjects::CrosswireContext &context, const std::function<bool()> &done,
                      int seconds = 10)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        context.waitForIncoming(10);
        context.pump();
    }
    return true;
}

} // namespace CrosswireTest
