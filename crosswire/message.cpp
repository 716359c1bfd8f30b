#include "crosswire/message.h"

#include "crosswire/clock.h"
#include "crosswire/md5digest.h"
#include "crosswire/objectlock.h"
#include "crosswire/sostring.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

namespace KnObjects::Crosswire {

namespace {

const char *const kReservedNames[] = {
    "Sender",           "Sender-ID", "Target",         "Timeout",       "Type",
    "Response-Request", "Timestamp", "Content-Length", "Serial-Number", "Received",
    "Result",           "Error",     "Error-Code",     "@CW>Version"};

const char *const kBuiltInTypes[] = {"Scriptara", "Debug",  "Receive",   "Received",
                                     "Result",    "Error",  "Idle",      "Timeout",
                                     "Log",       "Ignore", "Processed", "Launched"};

const QByteArray kHeaderPrefix = "@HDR>";

bool isSafeValue(const QByteArray &value)
{
    return !value.contains('\n');
}

// A header of this name would be read back as the digest line, wherever it stands. (A second
// "@CW>MD5" line is a header by the rules, and stays one after the digest line a sender puts
// first.)
bool isDigestLineName(QByteArrayView name)
{
    return name == "@CW>Digest";
}

bool isSafeName(const QByteArray &name)
{
    return !name.isEmpty() && !name.contains('\n') && !name.contains(':') &&
           !isDigestLineName(name);
}

bool appendLine(SoString &out, const char *name, const QByteArray &value)
{
    return out.append(name) && out.append(":", 1) && out.append(value) && out.append("\n", 1);
}

bool appendNumberLine(SoString &out, const char *name, uint32_t value)
{
    return out.append(name) && out.append(":", 1) && out.appendNumber(value) && out.append("\n", 1);
}

// The process id written into every "Sender-ID" line. The C library asks the kernel on every
// getpid(), so it is kept, and forgotten in a forked child, which has an id of its own.
std::atomic<uint32_t> cachedProcessId{0};

uint32_t processId()
{
    uint32_t pid = cachedProcessId.load(std::memory_order_relaxed);
    if (pid == 0) {
        static const int registered = pthread_atfork(
            nullptr, nullptr, [] { cachedProcessId.store(0, std::memory_order_relaxed); });
        Q_UNUSED(registered);
        pid = uint32_t(::getpid());
        cachedProcessId.store(pid, std::memory_order_relaxed);
    }
    return pid;
}

// Decimal with leading blanks; saturates rather than wrapping on overflow.
int64_t readSigned(QByteArrayView value)
{
    qsizetype i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        negative = value[i++] == '-';
    int64_t number = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        const int digit = value[i] - '0';
        if (number > (INT64_MAX - digit) / 10)
            return negative ? INT64_MIN : INT64_MAX;
        number = number * 10 + digit;
    }
    return negative ? -number : number;
}

uint32_t readUnsigned(QByteArrayView value)
{
    const int64_t number = readSigned(value);
    if (number < 0)
        return 0;
    return number > int64_t(UINT32_MAX) ? UINT32_MAX : uint32_t(number);
}

QByteArray clockText(int64_t seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("HH:mm:ss")).toLatin1();
}

QByteArray numberOrUndefined(uint32_t value)
{
    return value == Message::kUnset ? QByteArray("undefined") : QByteArray::number(value);
}

// Values nearly every message carries are shared instead of copied.
QByteArray common(QByteArrayView value)
{
    static const QByteArray known[] = {
        QByteArrayLiteral("2.05"),   QByteArrayLiteral("Scriptara"), QByteArrayLiteral("Processed"),
        QByteArrayLiteral("Result"), QByteArrayLiteral("Received"),  QByteArrayLiteral("ping")};
    for (const QByteArray &text : known) {
        if (value == text)
            return text;
    }
    return value.toByteArray();
}

// What the last message this thread read carried in its target, sender and custom headers.
// Consecutive messages between two endpoints repeat them, so they are shared, not copied again.
struct RecentValues
{
    QByteArray target;
    QByteArray sender;
    QList<Message::Header> headers;

    static QByteArray reuse(QByteArray &last, QByteArrayView value)
    {
        if (last != value)
            last = value.toByteArray();
        return last;
    }
};

thread_local RecentValues recentValues;

// The custom headers of a text being parsed, in the order they first appear, as spans of the
// text; a repeated name replaces the value in place. The spans are plain data, left
// uninitialized until used: a message has one or two headers, not the most it may have.
struct HeaderViews
{
    struct Span
    {
        const char *data;
        qsizetype size;
        QByteArrayView view() const { return QByteArrayView(data, size); }
    };
    struct Item
    {
        Span name;
        Span value;
    };
    std::array<Item, Message::kMaxHeaders> items;
    int count = 0;

    void set(QByteArrayView name, QByteArrayView value)
    {
        const Span valueSpan{value.data(), value.size()};
        for (int i = 0; i < count; ++i) {
            if (items[size_t(i)].name.view() == name) {
                items[size_t(i)].value = valueSpan;
                return;
            }
        }
        if (count < Message::kMaxHeaders)
            items[size_t(count++)] = {{name.data(), name.size()}, valueSpan};
    }

    // The headers newest first, shared with the last message's list where they are the same.
    QList<Message::Header> toList(QList<Message::Header> &recent) const
    {
        bool same = recent.size() == count;
        for (int i = 0; same && i < count; ++i) {
            const Message::Header &known = recent.at(qsizetype(count - 1 - i));
            same = known.first == items[size_t(i)].name.view() &&
                   known.second == items[size_t(i)].value.view();
        }
        if (!same) {
            QList<Message::Header> list;
            list.reserve(count);
            for (int i = count - 1; i >= 0; --i)
                list.append({items[size_t(i)].name.view().toByteArray(),
                             items[size_t(i)].value.view().toByteArray()});
            recent = std::move(list);
        }
        return recent;
    }
};

// The digest text of key + "+" + text + "+" + key, each of the 16 bytes with "%X" (as
// Crypto::toUnpaddedHex writes it), kept on the stack: every message sent or received has one.
struct DigestText
{
    char data[32];
    qsizetype length = 0;
    QByteArrayView view() const { return QByteArrayView(data, length); }
};

// Where a message text stops being the same for every message between the same two endpoints:
// the time stamp line (0 when there is none near the beginning).
size_t unchangingLength(const char *text, size_t length)
{
    static constexpr char kStamp[] = "\nTimestamp:";
    const void *found = ::memmem(text, std::min<size_t>(length, 1024), kStamp, sizeof kStamp - 1);
    return found ? size_t(static_cast<const char *>(found) - text) + 1 : 0;
}

// The hash state after key + "+" + the whole blocks of a text's unchanging beginning, for the
// last few such beginnings this thread digested. Every message between the same two endpoints
// starts with the same lines, so about a third of its digest is known before it is written.
struct DigestLead
{
    QByteArray key;
    QByteArray text;
    Md5Digest state;
};

Md5Digest stateAfterLead(const char *text, size_t length, const QByteArray &key, size_t *covered)
{
    *covered = 0;
    Md5Digest state;
    const size_t keyPart = size_t(key.size()) + 1;
    const size_t blocks = (keyPart + unchangingLength(text, length)) / Md5Digest::kBlockSize;
    if (blocks * Md5Digest::kBlockSize <= keyPart) {
        state.add(key.constData(), size_t(key.size()));
        state.add("+", 1);
        return state;
    }
    const size_t leadLength = blocks * Md5Digest::kBlockSize - keyPart;
    constexpr int kLeads = 4;
    thread_local DigestLead leads[kLeads];
    thread_local int nextLead = 0;
    *covered = leadLength;
    for (const DigestLead &lead : leads) {
        if (size_t(lead.text.size()) == leadLength && lead.key == key &&
            std::memcmp(lead.text.constData(), text, leadLength) == 0)
            return lead.state;
    }
    state.add(key.constData(), size_t(key.size()));
    state.add("+", 1);
    state.add(text, leadLength);
    leads[nextLead] = {key, QByteArray(text, qsizetype(leadLength)), state};
    nextLead = (nextLead + 1) % kLeads;
    return state;
}

DigestText digestText(const char *text, size_t length, const QByteArray &key)
{
    // Fed piece by piece: the text is hashed where it lies instead of being copied first.
    size_t covered = 0;
    Md5Digest hash = stateAfterLead(text, length, key, &covered);
    hash.add(text + covered, length - covered);
    hash.add("+", 1);
    hash.add(key.constData(), size_t(key.size()));
    static const char digits[] = "0123456789ABCDEF";
    DigestText out;
    for (const uint8_t byte : hash.result()) {
        if (byte >= 16)
            out.data[out.length++] = digits[byte >> 4];
        out.data[out.length++] = digits[byte & 0xF];
    }
    return out;
}

} // namespace

Message::Message()
{
    timestamp = Clock::nowSeconds();
}

Message::Message(const Message &other)
    : SoLockable()
{
    *this = other;
}

Message &Message::operator=(const Message &other)
{
    if (this == &other)
        return *this;
    ObjectLock otherLock(other);
    ObjectLock lock(*this);
    target = other.target;
    sender = other.sender;
    timeout = other.timeout;
    type = other.type;
    responseRequest = other.responseRequest;
    timestamp = other.timestamp;
    contentLength = other.contentLength;
    serialNumber = other.serialNumber;
    received = other.received;
    result = other.result;
    error = other.error;
    headers = other.headers;
    body = other.body;
    version = other.version;
    status = other.status;
    return *this;
}

Message::~Message() = default;

void Message::reset()
{
    target.clear();
    sender.clear();
    timeout = 0;
    type = QByteArrayLiteral("Scriptara");
    responseRequest.clear();
    timestamp = 0;
    contentLength = 0;
    serialNumber = 0;
    received = result = error = kUnset;
    headers.clear();
    body.clear();
    version.clear();
    status.clear();
}

bool Message::setHeader(const QByteArray &name, const QByteArray &value)
{
    ObjectLock lock(*this);
    if (!isSafeName(name) || !isSafeValue(value))
        return false;
    for (Header &header : headers) {
        if (header.first == name) {
            header.second = value;
            return true;
        }
    }
    if (headers.size() >= kMaxHeaders)
        return false;
    headers.prepend({name, value});
    return true;
}

bool Message::setHeader(const QByteArray &name, int64_t value)
{
    return setHeader(name, QByteArray::number(qlonglong(value)));
}

bool Message::setHeaderUnsigned(const QByteArray &name, uint64_t value)
{
    return setHeader(name, QByteArray::number(qulonglong(value)));
}

void Message::removeHeader(const QByteArray &name)
{
    ObjectLock lock(*this);
    headers.removeIf([&](const Header &header) { return header.first == name; });
}

QByteArray Message::header(const QByteArray &name) const
{
    ObjectLock lock(*this);
    for (const Header &header : headers) {
        if (header.first == name)
            return header.second;
    }
    return {};
}

bool Message::hasHeader(const QByteArray &name) const
{
    ObjectLock lock(*this);
    for (const Header &header : headers) {
        if (header.first == name)
            return true;
    }
    return false;
}

bool Message::isReservedName(const QByteArray &name)
{
    for (const char *reserved : kReservedNames) {
        if (name == reserved)
            return true;
    }
    return false;
}

bool Message::isBuiltInType(const QByteArray &type)
{
    for (const char *builtIn : kBuiltInTypes) {
        if (type == builtIn)
            return true;
    }
    return false;
}

bool Message::isResponseType(const QByteArray &type)
{
    return type == "Received" || type == "Result" || type == "Error" || type == "Processed" ||
           type == "Timeout" || type == "Launched";
}

bool Message::hasReplyReference() const
{
    return received != kUnset || result != kUnset || error != kUnset;
}

bool Message::requests(const QByteArray &responseType) const
{
    ObjectLock lock(*this);
    return !responseType.isEmpty() && responseRequest.contains(responseType);
}

int Message::eventCode() const
{
    ObjectLock lock(*this);
    if (type == "Scriptara" || type == "Debug") {
        if (received != kUnset)
            return 2;
        if (result != kUnset)
            return 3;
        if (error != kUnset)
            return 4;
        return 1;
    }
    if (type == "Received")
        return 2;
    if (type == "Result")
        return 3;
    if (type == "Error")
        return 4;
    if (type == "Timeout")
        return 5;
    if (type == "Log")
        return 6;
    if (type == "Idle")
        return 7;
    return 0;
}

bool Message::toString(SoString &out) const
{
    ObjectLock lock(*this);
    out.clear();
    if (target.isEmpty() || sender.isEmpty())
        return false;
    for (const QByteArray *field : {&target, &sender, &type, &responseRequest, &version}) {
        if (!isSafeValue(*field))
            return false;
    }
    const bool prefixReserved = !version.isEmpty() && version != "1.0" && version != "2.0";
    // Room for the whole text at once: the fixed lines and numbers take well under 256 bytes,
    // and the digest line streamOut() puts before the text 41 at most.
    size_t estimate = 256 + 48 +
                      size_t(version.size() + target.size() + sender.size() + type.size() +
                             responseRequest.size() + body.size());
    for (const Header &header : headers)
        estimate += size_t(header.first.size() + header.second.size()) + 8;
    if (!out.reserve(qMin(estimate, size_t(kMaxTextLength) + 1)))
        return false;
    bool ok = appendLine(out, "@CW>Version", version) && appendLine(out, "Target", target) &&
              appendLine(out, "Sender", sender) && out.append("Sender-ID:localhost:win") &&
              out.appendNumber(processId()) && out.append("\n");
    if (ok && timeout != 0)
        ok = out.append("Timeout:") && out.appendSigned(timeout) && out.append("\n");
    if (ok && !type.isEmpty())
        ok = appendLine(out, "Type", type);
    if (ok && !responseRequest.isEmpty())
        ok = appendLine(out, "Response-Request", responseRequest);
    for (const Header &header : headers) {
        if (!ok)
            break;
        if (!isSafeName(header.first) || !isSafeValue(header.second))
            return false;
        if (prefixReserved && isReservedName(header.first))
            ok = out.append(kHeaderPrefix);
        ok = ok && out.append(header.first) && out.append(":") && out.append(header.second) &&
             out.append("\n");
    }
    ok = ok && out.append("Timestamp: ") && out.appendSigned(Clock::nowSeconds()) &&
         out.append("\n") && appendNumberLine(out, "Serial-Number", serialNumber);
    if (ok && received != kUnset)
        ok = appendNumberLine(out, "Received", received);
    if (ok && result != kUnset)
        ok = appendNumberLine(out, "Result", result);
    if (ok && error != kUnset)
        ok = appendNumberLine(out, "Error", error);
    ok = ok && appendNumberLine(out, "Content-Length", uint32_t(body.size())) && out.append("\n") &&
         out.append(body);
    if (!ok || qsizetype(out.length()) > kMaxTextLength) {
        out.clear();
        return false;
    }
    return true;
}

bool Message::streamOut(SoString &out, bool addDigest, const QByteArray &digestKey) const
{
    if (!toString(out))
        return false;
    if (!addDigest)
        return true;
    // The text is written once; its digest line goes before it.
    const DigestText digest = digestText(out.data(), out.length(), digestKey);
    char line[8 + sizeof digest.data + 1];
    std::memcpy(line, "@CW>MD5:", 8);
    std::memcpy(line + 8, digest.data, size_t(digest.length));
    line[8 + digest.length] = '\n';
    if (!out.prepend(line, size_t(8 + digest.length + 1))) {
        out.clear();
        return false;
    }
    return true;
}

QByteArray Message::digest(const char *text, size_t length, const QByteArray &key)
{
    return digestText(text, length, key).view().toByteArray();
}

size_t Message::parse(const char *text, size_t length, bool verifyDigest,
                      const QByteArray &digestKey)
{
    ObjectLock lock(*this);
    // Always start from the defaults, so nothing of a previous message survives.
    reset();
    version = QByteArrayLiteral("1.0");
    status = QByteArrayLiteral("NODIGEST");
    bool stripPrefix = true;
    bool digestSeen = false;
    QByteArrayView givenDigest; // points into `text`
    size_t mark = 0;
    bool timestampSeen = false;
    HeaderViews parsedHeaders;

    size_t pos = 0;
    if (!text)
        length = 0;
    while (pos < length) {
        const char *start = text + pos;
        const char *newline = static_cast<const char *>(std::memchr(start, '\n', length - pos));
        const size_t lineLength = newline ? size_t(newline - start) : length - pos;
        pos += lineLength + (newline ? 1 : 0);
        if (lineLength == 0)
            break;
        const char *colonAt = static_cast<const char *>(std::memchr(start, ':', lineLength));
        if (!colonAt)
            continue; // not a field line; nothing to keep
        // Names and numbers are looked at in place; only what is kept is copied.
        const QByteArrayView name(start, colonAt - start);
        const QByteArrayView value(colonAt + 1, qsizetype(lineLength) - name.size() - 1);
        if (name == "Version" || name == "@CW>Version") {
            version = name == "Version" ? "@CW>" + value.toByteArray() : common(value);
            if (version.isEmpty() || version == "1.0" || version == "2.0")
                stripPrefix = false;
        } else if (name == "Sender") {
            sender = RecentValues::reuse(recentValues.sender, value);
        } else if (name == "Target") {
            target = RecentValues::reuse(recentValues.target, value);
        } else if (name == "Type") {
            type = common(value);
        } else if (name == "Response-Request") {
            responseRequest = value.toByteArray();
        } else if (name == "Timeout") {
            timeout = readSigned(value);
        } else if (name == "Timestamp") {
            timestamp = readSigned(value);
            timestampSeen = true;
        } else if (name == "Content-Length") {
            contentLength = readUnsigned(value);
        } else if (name == "Serial-Number") {
            serialNumber = readUnsigned(value);
        } else if (name == "Received") {
            received = readUnsigned(value);
        } else if (name == "Result") {
            result = readUnsigned(value);
        } else if (name == "Error") {
            error = readUnsigned(value);
        } else if (name == "@CW>Digest" || (name == "@CW>MD5" && !digestSeen)) {
            givenDigest = value;
            digestSeen = true;
            mark = pos;
        } else {
            QByteArrayView custom = name;
            if (stripPrefix && custom.startsWith(kHeaderPrefix))
                custom = custom.sliced(kHeaderPrefix.size());
            // A prefixed digest line is no header anyone may set: dropped.
            if (custom.isEmpty() || isDigestLineName(custom))
                continue;
            parsedHeaders.set(custom, value);
        }
    }
    headers = parsedHeaders.toList(recentValues.headers);

    // The body never extends past the text, whatever Content-Length claims.
    const size_t available = length - pos;
    const size_t bodyLength = qMin<size_t>(contentLength, available);
    body = QByteArray(text + pos, qsizetype(bodyLength));
    pos += bodyLength;
    const size_t bodyEnd = pos;
    while (pos < length && text[pos] == '\n')
        ++pos;

    if (verifyDigest) {
        if (!digestSeen)
            status.clear();
        else
            status = digestText(text + mark, bodyEnd - mark, digestKey).view() == givenDigest
                         ? QByteArray()
                         : QByteArrayLiteral("REJECTED");
    }
    if (timeout != 0 && (!timestampSeen || timestamp == 0))
        timestamp = Clock::nowSeconds();
    if (type.compare("debug", Qt::CaseInsensitive) != 0) {
        if (received != kUnset) {
            serialNumber = received;
            received = kUnset;
            type = "Received";
        }
        if (result != kUnset) {
            serialNumber = result;
            result = kUnset;
            type = "Result";
        }
        if (error != kUnset) {
            serialNumber = error;
            error = kUnset;
            type = "Error";
        }
    }
    return pos;
}

std::unique_ptr<Message> Message::makeResponse(const QByteArray &responseType,
                                               const QByteArray &ownSpecifier) const
{
    ObjectLock lock(*this);
    auto response = std::make_unique<Message>();
    response->target = sender;
    response->sender = target.isEmpty() ? ownSpecifier : target;
    response->responseRequest.clear();
    response->timeout = 0;
    response->body.clear();
    if (!version.isEmpty()) {
        response->serialNumber = serialNumber;
        response->type = responseType;
        if (!isBuiltInType(responseType))
            response->type += type;
    } else {
        // A peer of the oldest form knows replies only by their reference fields.
        response->type = type;
        response->serialNumber = 0;
        if (responseType == "Received")
            response->received = serialNumber;
        else if (responseType == "Result")
            response->result = serialNumber;
        else if (responseType == "Error")
            response->error = serialNumber;
    }
    return response;
}

QByteArray Message::diagnostics(const QByteArray &parentPath) const
{
    ObjectLock lock(*this);
    const QByteArray path = parentPath + "/msg" + QByteArray::number(serialNumber);
    QByteArray out;
    out += path + ";1;msg" + QByteArray::number(serialNumber).rightJustified(8, '0') + "[" +
           clockText(timestamp) + "];\n";
    auto line = [&](const char *field, const char *label, const QByteArray &value) {
        out += path + field + label + ";" + value + ";\n";
    };
    line("/version;0;", "@CW>Version", version);
    line("/target;0;", "Target", target);
    line("/sender;0;", "Sender", sender);
    line("/senderid;0;", "Sender-ID", header("Sender-ID"));
    line("/timeout;0;", "Timeout", timeout ? QByteArray::number(qlonglong(timeout)) : "undefined");
    line("/type;0;", "Type", type.isEmpty() ? QByteArray("undefined") : type);
    line("/request;0;", "Response-Request",
         responseRequest.isEmpty() ? QByteArray("undefined") : responseRequest);
    if (headers.isEmpty()) {
        out += path + "/headers;0;Headers;(no headers);\n";
    } else {
        out += path + "/headers;1;Headers;;\n";
        for (const Header &header : headers)
            out += path + "/headers/" + header.first + ";0;" + header.first + ";" + header.second +
                   ";\n";
    }
    line("/timestamp;0;", "Timestamp", timestamp ? clockText(timestamp) : "undefined");
    line("/serialnumber;0;", "Serial-Number", QByteArray::number(serialNumber));
    line("/received;0;", "Received", numberOrUndefined(received));
    line("/result;0;", "Result", numberOrUndefined(result));
    line("/error;0;", "Error", numberOrUndefined(error));
    if (body.isEmpty()) {
        out += path + "/body;0;Body;(empty);\n";
    } else {
        out += path + "/body;1;Body;" + QByteArray::number(body.size()) + " bytes;\n";
        out += path + "/body/text;0;Text;" + body + ";\n";
    }
    return out;
}

QByteArray Message::summary() const
{
    ObjectLock lock(*this);
    return summaryOf(type, serialNumber, sender, target, body.size());
}

QByteArray Message::summaryOf(const QByteArray &type, uint32_t serial, const QByteArray &sender,
                              const QByteArray &target, qsizetype bodySize)
{
    return type + " #" + QByteArray::number(serial) + " " + sender + " -> " + target + " (" +
           QByteArray::number(bodySize) + " bytes)";
}

} // namespace KnObjects::Crosswire
