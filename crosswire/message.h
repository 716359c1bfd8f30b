#pragma once

#include "crosswire/solockable.h"

#include <QByteArray>
#include <QList>
#include <QPair>

#include <cstdint>
#include <memory>

namespace KnObjects {

class SoString;

namespace Crosswire {

// A message between applications of the product family: fields, custom headers and a body, with
// its text form on the wire ("Name:value" lines, an empty line and the body) and an optional MD5
// digest line in front. Every operation takes the message's own lock.
//
// Texts are bytes (UTF-8). No field or header may hold a line break, and no header name a colon:
// such a value would forge lines of its own on the wire, so the setters refuse it and toString()
// fails on it.
class Message : public SoLockable
{
public:
    using Header = QPair<QByteArray, QByteArray>;
    static constexpr uint32_t kUnset = 0xFFFFFFFFu;
    // More custom headers than this are ignored when parsing and refused when set.
    static constexpr int kMaxHeaders = 128;
    // The longest text a message may have on the wire (it must fit one datagram).
    static constexpr qsizetype kMaxTextLength = 1024 * 1024;
    // Seconds a message waits in a queue when it has no timeout of its own.
    static constexpr int64_t kDefaultQueueTimeout = 600;

    Message();
    Message(const Message &other);
    Message &operator=(const Message &other);
    ~Message();

    // The fields, in wire order.
    QByteArray target;
    QByteArray sender;
    int64_t timeout = 0;
    QByteArray type = QByteArrayLiteral("Scriptara");
    QByteArray responseRequest;
    int64_t timestamp = 0;
    uint32_t contentLength = 0;
    uint32_t serialNumber = 0;
    uint32_t received = kUnset;
    uint32_t result = kUnset;
    uint32_t error = kUnset;
    QList<Header> headers; // newest first
    QByteArray body;
    QByteArray version = QByteArrayLiteral("2.05");
    QByteArray status;

    // Custom headers. set() ignores an empty or invalid name (or more than kMaxHeaders); an
    // existing name has its value replaced, a new one goes to the head of the list.
    bool setHeader(const QByteArray &name, const QByteArray &value);
    bool setHeader(const QByteArray &name, int64_t value);
    bool setHeaderUnsigned(const QByteArray &name, uint64_t value);
    void removeHeader(const QByteArray &name);
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
    static bool isReservedName(const QByteArray &name);
    static bool isBuiltInType(const QByteArray &type);

    bool hasReplyReference() const;
    // Whether `type` is one of the responses that answer a message of ours ("Received",
    // "Result", "Error", "Processed", "Timeout", "Launched"): such a message carries the serial
    // number of the exchange it belongs to. Any other message is new, and its serial number is
    // its sender's own.
    static bool isResponseType(const QByteArray &type);
    // Whether responseRequest asks for a response of `responseType`.
    bool requests(const QByteArray &responseType) const;
    // The event code a handler is given for this message.
    int eventCode() const;

    // The text form without digest; false when target or sender is empty or a field cannot be
    // written safely.
    bool toString(SoString &out) const;
    // The digest line (when `addDigest`) and the text form.
    bool streamOut(SoString &out, bool addDigest, const QByteArray &digestKey) const;
    // Reads one message from the front of `text`, replacing this one's contents; returns the
    // number of bytes consumed, so several messages can follow each other in one buffer.
    size_t parse(const char *text, size_t length, bool verifyDigest, const QByteArray &digestKey);
    size_t parse(const QByteArray &text, bool verifyDigest, const QByteArray &digestKey)
    {
        return parse(text.constData(), size_t(text.size()), verifyDigest, digestKey);
    }

    // The digest text ("%X" per byte) of key + "+" + text + "+" + key.
    static QByteArray digest(const char *text, size_t length, const QByteArray &key);

    // A response of `responseType` to this message (target and sender swapped). `ownSpecifier`
    // is the sender when this message has no target.
    std::unique_ptr<Message> makeResponse(const QByteArray &responseType,
                                          const QByteArray &ownSpecifier) const;

    // The lines of this message in the diagnostics tree below `parentPath`.
    QByteArray diagnostics(const QByteArray &parentPath) const;

    // A readable one-line summary for logs.
    QByteArray summary() const;
    static QByteArray summaryOf(const QByteArray &type, uint32_t serial, const QByteArray &sender,
                                const QByteArray &target, qsizetype bodySize);

private:
    void reset();
};

} // namespace Crosswire
} // namespace KnObjects
