#include "crosswire/crosswirethread.h"

#include "crosswire/clock.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/interappstream.h"
#include "crosswire/message.h"
#include "crosswire/messageglobals.h"
#include "crosswire/objectlock.h"
#include "crosswire/specifier.h"
#include "crosswire/threaddiagnosticsmsghandler.h"
#include "crosswire/threadinfomsghandler.h"
#include "crosswire/threadlaunchedmsghandler.h"
#include "crosswire/threadmainmsghandler.h"
#include "platform/mailslot/mailslotfolderwatch.h"

#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace KnObjects {

using Crosswire::Message;
using Crosswire::MsgHandler;

namespace {

// Datagrams of the thread endpoint handled in one cycle; the rest wait for the next one.
constexpr int kMaxThreadMessagesPerCycle = 256;

QByteArray clockText(int64_t seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("HH:mm:ss")).toLatin1();
}

} // namespace

CrosswireThread::CrosswireThread(CrosswireContext &context)
    : m_context(context)
{
    setHandler("MAIN", std::make_shared<ThreadMainMsgHandler>(*this));
    setHandler("LAUNCHED", std::make_shared<ThreadLaunchedMsgHandler>(*this));
    setHandler("DIAGNOSTICS", std::make_shared<ThreadDiagnosticsMsgHandler>(context));
    setHandler("INFO", std::make_shared<ThreadInfoMsgHandler>(context));
    setValue("STATUS", "IDLE");
}

CrosswireThread::~CrosswireThread()
{
    stop();
    join();
}

void CrosswireThread::stop()
{
    m_stop.store(true);
    wake();
}

QByteArray CrosswireThread::specifier() const
{
    std::lock_guard guard(m_valuesMutex);
    return m_specifier;
}

bool CrosswireThread::openStream()
{
    ObjectLock lock(m_threadLock);
    if (m_stream)
        return true;
    const Crosswire::Specifier own(m_context.ownSpecifier(), true);
    if (!own.isValid())
        return false;
    QByteArray opened;
    m_stream = m_context.openOwnStream(own.threadEndpoint().text(), &opened);
    if (!m_stream)
        return false;
    std::lock_guard guard(m_valuesMutex);
    m_specifier = opened;
    return true;
}

void CrosswireThread::run()
{
    if (!openStream())
        return;
    while (m_context.isSetupRunning() && !m_stop.load())
        Thread::sleep(kSetupWaitMilliseconds);
    while (!m_stop.load()) {
        runCycle(m_fullCycleDue);
        if (m_stop.load())
            break;
        sleep(millisecondsToFullCycle());
    }
}

int CrosswireThread::millisecondsToFullCycle() const
{
    // Arrivals end a wait early, but the whole cycle (retries, expiry, the thread endpoint's
    // own messages) still comes every kCycleMilliseconds, however busy the sockets are.
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - m_lastFullCycle)
                           .count();
    const int64_t left = int64_t(kCycleMilliseconds) - int64_t(since);
    return int(std::clamp<int64_t>(left, 0, kCycleMilliseconds));
}

void CrosswireThread::sleep(int milliseconds)
{
    std::vector<pollfd> &handles = m_pollHandles;
    handles.clear();
    m_pollEndpoints.clear();
    m_firedEndpoints.clear();
    handles.push_back({wakeEvent().fd(), POLLIN, 0});
    if (m_stream && m_stream->receiveHandle() >= 0)
        handles.push_back({m_stream->receiveHandle(), POLLIN, 0});
    const size_t firstEndpoint = handles.size();
    size_t endEndpoints = firstEndpoint;
    bool waitsForReceiver = false;
    for (CrosswireEndpoint *endpoint : m_context.endpoints()) {
        InterAppStream *stream = endpoint->stream();
        // A backed-up endpoint is not read until the pump made room; waiting on its socket
        // would only spin.
        if (stream && stream->receiveHandle() >= 0 && !endpoint->isBackedUp()) {
            handles.insert(handles.begin() + std::ptrdiff_t(endEndpoints),
                           {stream->receiveHandle(), POLLIN, 0});
            m_pollEndpoints.push_back(endpoint);
            ++endEndpoints;
        }
        if (endpoint->outgoing().isEmpty())
            continue;
        for (const QByteArray &target : endpoint->outgoing().targets()) {
            const int handle = stream ? stream->writeWaitHandle(target) : -1;
            if (handle >= 0)
                handles.push_back({handle, POLLOUT, 0});
            else
                waitsForReceiver = true;
        }
    }
    if (waitsForReceiver) {
        if (!m_folderWatch && m_stream)
            m_folderWatch = std::make_unique<MailslotFolderWatch>(
                QString::fromUtf8(m_stream->mailslotName("watch")));
        if (m_folderWatch && m_folderWatch->isValid())
            handles.push_back({m_folderWatch->fd(), POLLIN, 0});
    }
    const int ready = ::poll(handles.data(), nfds_t(handles.size()), milliseconds);
    if (ready <= 0) {
        m_fullCycleDue = true; // the cycle period is over (or the wait failed)
        return;
    }
    // Only the endpoints' sockets fired: their datagrams are read and nothing else is due yet.
    bool otherEvent = false;
    for (size_t i = 0; i < handles.size(); ++i) {
        const bool endpointSocket = i >= firstEndpoint && i < endEndpoints;
        if (handles[i].revents != 0 && !endpointSocket)
            otherEvent = true;
        // A socket in error is looked at by the whole cycle too.
        if (endpointSocket && (handles[i].revents & ~POLLIN) != 0)
            otherEvent = true;
        if (endpointSocket && (handles[i].revents & POLLIN))
            m_firedEndpoints.push_back(m_pollEndpoints[i - firstEndpoint]);
    }
    m_fullCycleDue = otherEvent || millisecondsToFullCycle() == 0;
    // Only what fired is read: an arriving datagram is the common wake-up, and every needless
    // read is a system call on the way to the message.
    if (handles.front().revents & POLLIN)
        wakeEvent().reset();
    if (m_folderWatch && m_folderWatch->isValid()) {
        for (const pollfd &handle : handles) {
            if (handle.fd == m_folderWatch->fd() && (handle.revents & POLLIN))
                m_folderWatch->drain();
        }
    }
}

void CrosswireThread::cycle()
{
    runCycle(true);
}

void CrosswireThread::runCycle(bool full)
{
    // The thread lock covers the thread's own state (its stream and named values). Handling,
    // answering and sending run after it is released: they reach the connector's hooks, and a
    // hook may launch a program and call back into the library.
    // The endpoints' mailslots are read first: what arrived for the application should stand
    // in its received queue before anything else of the cycle is done. Between full cycles only
    // the sockets that fired have something to read.
    if (!full) {
        for (CrosswireEndpoint *endpoint : m_firedEndpoints)
            endpoint->drainTransport();
    }
    const std::vector<CrosswireEndpoint *> endpoints = m_context.endpoints();
    if (full) {
        for (CrosswireEndpoint *endpoint : endpoints)
            endpoint->drainTransport();
        m_lastFullCycle = std::chrono::steady_clock::now();
        m_fullCycleDue = false;
        ++m_fullCycles;
        QByteArrayList datagrams;
        {
            ObjectLock lock(m_threadLock);
            datagrams = receiveThreadMessages();
            expireValues();
        }
        handleThreadMessages(datagrams);
    } else {
        ++m_deliveryCycles;
    }
    // Queued messages go in every cycle, as they always did: an arrival may be the answer a
    // queued message waited for, and an unreachable target still costs one write per cycle.
    for (CrosswireEndpoint *endpoint : endpoints) {
        if (full || !endpoint->outgoing().isEmpty())
            m_context.sendQueued(*endpoint);
    }
    m_context.flushForwards();
    QByteArray idleName;
    {
        std::lock_guard guard(m_valuesMutex);
        idleName = m_idleHandler;
    }
    if (!idleName.isEmpty()) {
        if (auto idle = handler(idleName)) {
            Message message;
            message.type = "Idle";
            QByteArray result;
            idle->handle(7, message, result);
        }
    }
}

QByteArrayList CrosswireThread::receiveThreadMessages()
{
    if (!m_stream || !m_stream->isOpen())
        return {};
    for (int i = 0; i < kMaxThreadMessagesPerCycle && m_stream->receive(); ++i) {
    }
    return m_stream->takeReceivedMessages();
}

void CrosswireThread::handleThreadMessages(const QByteArrayList &datagrams)
{
    const auto &globals = CrosswireData::MessageGlobals::instance();
    const QByteArray key = m_context.identity().digestKey;
    const auto main = handler("MAIN");
    for (const QByteArray &datagram : datagrams) {
        size_t offset = 0;
        while (offset < size_t(datagram.size())) {
            Message message;
            offset += message.parse(datagram.constData() + offset, size_t(datagram.size()) - offset,
                                    globals.verifyDigests(), key);
            if (message.status == "REJECTED") {
                m_context.log("REJECTED", &message);
                continue;
            }
            message.timestamp = Clock::nowSeconds();
            QByteArray result;
            if (!main || main->handle(message.eventCode(), message, result) != 0 ||
                result.isEmpty())
                continue;
            if (message.sender.isEmpty())
                continue;
            const QByteArray request = message.header("ECHO_REQUEST");
            Message reply(message);
            reply.removeHeader("ECHO_REQUEST");
            reply.removeHeader("ECHO_RESPONSE");
            reply.setHeader("ECHO_RESPONSE", request.left(request.indexOf('=')));
            reply.target = message.sender;
            reply.sender = specifier();
            reply.type = "ping";
            reply.responseRequest.clear();
            reply.timeout = 0;
            if (result != "SEE BODY")
                reply.body = result;
            m_context.send(reply, false, false, {});
        }
    }
}

void CrosswireThread::expireValues()
{
    const int64_t now = Clock::nowSeconds();
    std::lock_guard guard(m_valuesMutex);
    std::erase_if(m_values, [now](const auto &entry) {
        return entry.second.expiry != 0 && entry.second.expiry <= now;
    });
}

void CrosswireThread::setValue(const QByteArray &name, const QByteArray &value,
                               int64_t expirySeconds)
{
    if (name == "STATUS") {
        setStatus(value);
        return;
    }
    std::lock_guard guard(m_valuesMutex);
    if (!m_values.count(name) && m_values.size() >= size_t(kMaxValues))
        return;
    PingData &data = m_values[name];
    data.name = name;
    data.value = value;
    data.expiry = expirySeconds > 0 ? Clock::nowSeconds() + expirySeconds : 0;
}

QByteArray CrosswireThread::value(const QByteArray &name) const
{
    std::lock_guard guard(m_valuesMutex);
    const auto it = m_values.find(name);
    return it == m_values.end() ? QByteArray() : it->second.value;
}

bool CrosswireThread::hasValue(const QByteArray &name) const
{
    std::lock_guard guard(m_valuesMutex);
    return m_values.count(name) != 0;
}

void CrosswireThread::removeValue(const QByteArray &name)
{
    std::lock_guard guard(m_valuesMutex);
    m_values.erase(name);
}

void CrosswireThread::setStatus(const QByteArray &status)
{
    const double now = Clock::nowMilliseconds();
    std::lock_guard guard(m_valuesMutex);
    if (status == "PUMPING" && m_lastPump > 0) {
        const double interval = now - m_lastPump;
        if (interval > 10) {
            if (m_averagePump <= 0)
                m_averagePump = interval;
            else if (interval < 10 * m_averagePump)
                m_averagePump = (interval + m_averagePump) / 2;
        }
    }
    if (status == "PUMPING" || status == "IDLE")
        m_lastPump = now;
    PingData &data = m_values["STATUS"];
    data.name = "STATUS";
    data.value = status;
    data.expiry = 0;
}

double CrosswireThread::averagePumpInterval() const
{
    std::lock_guard guard(m_valuesMutex);
    return m_averagePump;
}

double CrosswireThread::lastPumpTime() const
{
    std::lock_guard guard(m_valuesMutex);
    return m_lastPump;
}

void CrosswireThread::setHandler(const QByteArray &name, std::shared_ptr<MsgHandler> handler)
{
    std::lock_guard guard(m_valuesMutex);
    if (handler)
        m_handlers[name] = std::move(handler);
    else
        m_handlers.erase(name);
}

std::shared_ptr<MsgHandler> CrosswireThread::handler(const QByteArray &name) const
{
    std::lock_guard guard(m_valuesMutex);
    const auto it = m_handlers.find(name);
    return it == m_handlers.end() ? nullptr : it->second;
}

void CrosswireThread::setIdleHandler(const QByteArray &name)
{
    std::lock_guard guard(m_valuesMutex);
    m_idleHandler = name;
}

QByteArray CrosswireThread::diagnostics() const
{
    const double now = Clock::nowMilliseconds();
    std::lock_guard guard(m_valuesMutex);
    QByteArray out = "/thread;1;Thread;" + m_specifier + ";\n";
    out += "/thread/avgpump;0;Avg. pump interval;" + QByteArray::number(m_averagePump, 'f', 0) +
           "ms;\n";
    out += "/thread/lastpump;0;Last pump;" +
           QByteArray::number(m_lastPump > 0 ? now - m_lastPump : 0, 'f', 0) + "ms ago;\n";
    out += "/thread/ping;1;Ping;;\n";
    const int64_t seconds = int64_t(now / 1000);
    for (const auto &[name, data] : m_values) {
        const QByteArray path = "/thread/ping/" + name;
        out += path + ";1;" + name + ";" + data.value + ";\n";
        if (data.expiry)
            out += path + "/timeout;0;Timeout;in " +
                   QByteArray::number(qlonglong(data.expiry - seconds)) + " secs at " +
                   clockText(data.expiry) + ";\n";
        else
            out += path + "/timeout;0;Timeout;undefined;\n";
        out += path + (data.handler ? "/msghandler;0;Handler;installed;\n"
                                    : "/msghandler;0;Handler;undefined;\n");
    }
    return out;
}

} // namespace KnObjects
