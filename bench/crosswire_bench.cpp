// Messaging between two processes against raw Unix datagrams between two processes, measured in
// the same run. The program starts a copy of itself as the peer ("--peer MODE ...").
//
//   one-way            alternately: sendto() of a 64-byte datagram until the peer's recv()
//                      returns it, and send() until the message stands in the peer's received
//                      queue; alternating puts both under the same load of the machine
//   handler one-way    send() until the peer's handler runs, the peer pumping every 10 ms
//   throughput         small messages one way until the peer reports the last one
//
// One-way times are taken with the system-wide monotonic clock: the sender writes the time into
// the message just before it calls sendto() or send(), the peer reads its clock when the datagram
// is returned or the message has been inserted into its received queue (the queue's insertion
// observer, on the thread that inserts) and reports the mean and the median at the end. The
// median is the figure compared: a run on a shared machine has a tail of preempted samples that
// moves the mean by a third from run to run.
// Each timed message also names the processor it was sent from, and the peer sorts its samples by
// whether it was woken on that same processor or another one. Where the scheduler puts the woken
// reader decides most of a one-way time (waking another, idle virtual processor is the slow case),
// so the run also gives the medians of each placement.
// The peer echoes every timed message, so the sender never has more than one in flight.
//
// Everything runs in a temporary runtime, configuration and data folder.

#include "crosswire/crosswireconnectorhooks.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswireidentity.h"
#include "crosswire/message.h"
#include "crosswire/messageglobals.h"
#include "crosswire/msghandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sched.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace KnObjects;
using Crosswire::Message;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char *kSenderSpec = "benchsender-1.0";
constexpr const char *kQueuePeerSpec = "benchqueue-1.0";
constexpr const char *kPumpPeerSpec = "benchpump-1.0";
constexpr int kThroughputCount = 20000;

double handlerOneWayUs = 0;

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

constexpr qsizetype kCpuField = 40;

// "t=<ns>" and, from byte 40, "c=<processor>", padded to 64 bytes. The buffer is made before the
// clock is read and the digits are written without a formatted print, so little of the bench's own
// work lands in the figure.
QByteArray timedBody()
{
    QByteArray body(64, ' ');
    body[0] = 't';
    body[1] = '=';
    body[kCpuField] = 'c';
    body[kCpuField + 1] = '=';
    std::to_chars(body.data() + kCpuField + 2, body.data() + body.size(), sched_getcpu());
    const int64_t now = nowNs();
    std::to_chars(body.data() + 2, body.data() + kCpuField, now);
    return body;
}

double medianOf(std::vector<double> &samples)
{
    if (samples.empty())
        return 0;
    auto middle = samples.begin() + std::ptrdiff_t(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

// The one-way times a peer saw: mean and median of each batch, then count and median of the
// samples woken on the sender's processor and on another one, reported as
// "mean median sameCount sameMedian otherCount otherMedian".
class OneWay
{
public:
    OneWay() { m_samples.reserve(16384); }
    void add(const QByteArray &body)
    {
        // The clock first: what follows is the bench's own work, not the message's way.
        const int64_t now = nowNs();
        const int cpu = sched_getcpu();
        if (!body.startsWith("t=") || body.size() <= kCpuField + 2)
            return;
        const int64_t sent = body.mid(2, kCpuField - 2).trimmed().toLongLong();
        const bool same = body.mid(kCpuField + 2).trimmed().toInt() == cpu;
        const double sample = double(now - sent) / 1000.0;
        std::lock_guard guard(m_mutex);
        m_samples.push_back(sample);
        (same ? m_sameCpu : m_otherCpu).push_back(sample);
    }
    QByteArray takeStatistics()
    {
        std::lock_guard guard(m_mutex);
        double mean = 0;
        for (double sample : m_samples)
            mean += sample;
        if (!m_samples.empty())
            mean /= double(m_samples.size());
        QByteArray text = QByteArray::number(mean, 'f', 2) + ' ' +
                          QByteArray::number(medianOf(m_samples), 'f', 2);
        for (std::vector<double> *placement : {&m_sameCpu, &m_otherCpu}) {
            text += ' ' + QByteArray::number(qulonglong(placement->size())) + ' ' +
                    QByteArray::number(medianOf(*placement), 'f', 2);
            placement->clear();
        }
        m_samples.clear();
        return text;
    }

private:
    std::mutex m_mutex;
    std::vector<double> m_samples, m_sameCpu, m_otherCpu;
};

struct Statistics
{
    double mean = 0;
    double median = 0;
    // Woken on the sender's processor [0] or another one [1].
    int placementCount[2] = {0, 0};
    double placementMedian[2] = {0, 0};
};

Statistics statisticsFrom(const QByteArray &text)
{
    const QList<QByteArray> parts = text.trimmed().split(' ');
    if (parts.size() != 2 && parts.size() != 6)
        return {};
    Statistics statistics{parts[0].toDouble(), parts[1].toDouble()};
    for (int placement = 0; parts.size() == 6 && placement < 2; ++placement) {
        statistics.placementCount[placement] = parts[2 + 2 * placement].toInt();
        statistics.placementMedian[placement] = parts[3 + 2 * placement].toDouble();
    }
    return statistics;
}

// Index 1: with the digests the product adds and checks by default; 0: with both turned off.
Statistics rawOneWay[2], queueOneWay[2];
double rawThroughput = 0, crosswireThroughput = 0;

sockaddr_un addressOf(const QByteArray &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return address;
}

int boundSocket(const QByteArray &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ::unlink(path.constData());
    const sockaddr_un address = addressOf(path);
    ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    return fd;
}

CrosswireContext::Identity identity()
{
    return {CrosswireIdentity::userId(), CrosswireIdentity::digestKey()};
}

// Waits for the next message in the main endpoint's received queue.
std::unique_ptr<Message> nextMessage(CrosswireContext &context, int timeoutMs = 10000)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    CrosswireEndpoint *main = context.mainEndpoint();
    for (;;) {
        const uint64_t seen = context.queueGeneration();
        if (auto message = main->received().pick())
            return message;
        if (Clock::now() > deadline)
            return nullptr;
        context.waitForChange(seen, 50);
    }
}

void send(CrosswireContext &context, const QByteArray &target, const QByteArray &body)
{
    Message message;
    message.target = target;
    message.body = body;
    context.send(message);
}

// The message is made first, so the time in its body is read just before send() is called.
void sendTimed(CrosswireContext &context, const QByteArray &target)
{
    Message message;
    message.target = target;
    message.body = timedBody();
    context.send(message);
}

// The peer: echoes raw datagrams, or answers crosswire messages from its queue or its handler.
int runPeer(const QStringList &args)
{
    const QString mode = args.value(0);
    if (mode == QLatin1String("raw")) {
        const int fd = boundSocket(args.value(1).toUtf8());
        std::printf("READY\n");
        std::fflush(stdout);
        char buffer[65536];
        int counted = 0;
        OneWay oneWay;
        for (;;) {
            sockaddr_un from{};
            socklen_t length = sizeof from;
            const ssize_t n = ::recvfrom(fd, buffer, sizeof buffer, 0,
                                         reinterpret_cast<sockaddr *>(&from), &length);
            if (n < 0)
                continue;
            if (n == 4 && std::memcmp(buffer, "quit", 4) == 0)
                return 0;
            if (n == 5 && std::memcmp(buffer, "count", 5) == 0) {
                ++counted;
                continue;
            }
            const QByteArray received(buffer, n);
            oneWay.add(received);
            if (received == "done" || received == "stats") {
                const QByteArray reply =
                    received == "done" ? QByteArray::number(counted) : oneWay.takeStatistics();
                counted = 0;
                ::sendto(fd, reply.constData(), size_t(reply.size()), 0,
                         reinterpret_cast<sockaddr *>(&from), length);
                continue;
            }
            ::sendto(fd, buffer, size_t(n), 0, reinterpret_cast<sockaddr *>(&from), length);
        }
    }
    CrosswireContext context(identity());
    if (mode == QLatin1String("queue")) {
        if (args.value(1) == QLatin1String("nodigest")) {
            CrosswireData::MessageGlobals::instance().setVerifyDigests(false);
            CrosswireData::MessageGlobals::instance().setAddDigest(false);
        }
        if (!context.init(kQueuePeerSpec))
            return 3;
        OneWay oneWay;
        context.mainEndpoint()->setArrivalObserver(
            [&oneWay](const Message &message) { oneWay.add(message.body); });
        std::printf("READY\n");
        std::fflush(stdout);
        int counted = 0;
        for (;;) {
            auto message = nextMessage(context, 60000);
            if (!message)
                return 4;
            if (message->body == "quit")
                return 0;
            if (message->body == "count") {
                ++counted;
                continue;
            }
            if (message->body == "done") {
                send(context, message->sender, QByteArray::number(counted));
                counted = 0;
                continue;
            }
            if (message->body == "stats") {
                send(context, message->sender, oneWay.takeStatistics());
                continue;
            }
            send(context, message->sender, message->body);
        }
    }
    if (mode == QLatin1String("pump")) {
        class Echo : public Crosswire::MsgHandler
        {
        public:
            int handle(int, Message &message, QByteArray &result) override
            {
                m_oneWay.add(message.body);
                result = message.body == "stats" ? m_oneWay.takeStatistics() : QByteArray("ok");
                return 0;
            }

        private:
            OneWay m_oneWay;
        };
        if (!context.init(kPumpPeerSpec))
            return 3;
        context.addHandler(std::make_shared<Echo>());
        std::printf("READY\n");
        std::fflush(stdout);
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            context.pump();
        }
    }
    return 2;
}

QProcess *startPeer(const QStringList &args)
{
    auto *process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QCoreApplication::applicationFilePath(),
                   QStringList{QStringLiteral("--peer")} + args);
    process->waitForReadyRead(10000);
    process->readAll();
    return process;
}

void stopPeer(QProcess *process)
{
    process->kill();
    process->waitForFinished(5000);
    delete process;
}

QString runtimeDir()
{
    return qEnvironmentVariable("XDG_RUNTIME_DIR");
}

void BM_RawDatagramThroughput(benchmark::State &state)
{
    const QByteArray peerPath = (runtimeDir() + QStringLiteral("/raw-peer2")).toUtf8();
    const QByteArray ownPath = (runtimeDir() + QStringLiteral("/raw-own2")).toUtf8();
    QProcess *peer = startPeer({QStringLiteral("raw"), QString::fromUtf8(peerPath)});
    const int fd = boundSocket(ownPath);
    const sockaddr_un to = addressOf(peerPath);
    char buffer[64];
    double seconds = 0;
    int64_t sent = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int i = 0; i < kThroughputCount; ++i)
            ::sendto(fd, "count", 5, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
        ::sendto(fd, "done", 4, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
        const ssize_t n = ::recv(fd, buffer, sizeof buffer - 1, 0);
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        buffer[n > 0 ? n : 0] = 0;
        if (std::atoi(buffer) != kThroughputCount)
            state.SkipWithError("raw peer lost datagrams");
        sent += kThroughputCount;
    }
    rawThroughput = double(sent) / seconds;
    state.counters["messages_per_s"] = rawThroughput;
    ::sendto(fd, "quit", 4, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
    ::close(fd);
    stopPeer(peer);
}

CrosswireContext &senderContext()
{
    static CrosswireContext context(identity());
    if (!context.isInitialized())
        context.init(kSenderSpec);
    return context;
}

// Raw datagrams and crosswire messages in turn, one of each per iteration; the argument tells
// whether messages carry and check their digest (the default) or not.
void BM_OneWayRawAndQueue(benchmark::State &state)
{
    const int digests = state.range(0) ? 1 : 0;
    CrosswireData::MessageGlobals &globals = CrosswireData::MessageGlobals::instance();
    globals.setVerifyDigests(digests);
    globals.setAddDigest(digests);
    const QByteArray peerPath = (runtimeDir() + QStringLiteral("/raw-peer")).toUtf8();
    const QByteArray ownPath = (runtimeDir() + QStringLiteral("/raw-own")).toUtf8();
    QProcess *rawPeer = startPeer({QStringLiteral("raw"), QString::fromUtf8(peerPath)});
    QProcess *queuePeer = startPeer(
        {QStringLiteral("queue"), digests ? QStringLiteral("digest") : QStringLiteral("nodigest")});
    CrosswireContext &context = senderContext();
    const int fd = boundSocket(ownPath);
    const sockaddr_un to = addressOf(peerPath);
    auto rawSend = [&](const QByteArray &payload) {
        ::sendto(fd, payload.constData(), size_t(payload.size()), 0,
                 reinterpret_cast<const sockaddr *>(&to), sizeof to);
    };
    char buffer[256];
    for (auto _ : state) {
        rawSend(timedBody());
        ::recv(fd, buffer, sizeof buffer, 0);
        sendTimed(context, kQueuePeerSpec);
        if (!nextMessage(context)) {
            state.SkipWithError("no reply");
            break;
        }
    }
    rawSend("stats");
    const ssize_t n = ::recv(fd, buffer, sizeof buffer - 1, 0);
    const Statistics raw = statisticsFrom(QByteArray(buffer, n > 0 ? n : 0));
    send(context, kQueuePeerSpec, "stats");
    auto stats = nextMessage(context);
    const Statistics queue = stats ? statisticsFrom(stats->body) : Statistics{};
    rawOneWay[digests] = raw;
    queueOneWay[digests] = queue;
    state.counters["raw_median_us"] = raw.median;
    state.counters["queue_median_us"] = queue.median;
    state.counters["ratio"] = raw.median > 0 ? queue.median / raw.median : 0;
    rawSend("quit");
    ::close(fd);
    send(context, kQueuePeerSpec, "quit");
    queuePeer->waitForFinished(5000);
    stopPeer(queuePeer);
    stopPeer(rawPeer);
    globals.setVerifyDigests(true);
    globals.setAddDigest(true);
}

void BM_CrosswireThroughput(benchmark::State &state)
{
    QProcess *peer = startPeer({QStringLiteral("queue")});
    CrosswireContext &context = senderContext();
    double seconds = 0;
    int64_t sent = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int i = 0; i < kThroughputCount; ++i)
            send(context, kQueuePeerSpec, "count");
        send(context, kQueuePeerSpec, "done");
        auto reply = nextMessage(context, 60000);
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        if (!reply || reply->body.toInt() != kThroughputCount) {
            state.SkipWithError("messages lost");
            break;
        }
        sent += kThroughputCount;
    }
    crosswireThroughput = seconds > 0 ? double(sent) / seconds : 0;
    state.counters["messages_per_s"] = crosswireThroughput;
    send(context, kQueuePeerSpec, "quit");
    peer->waitForFinished(5000);
    stopPeer(peer);
}

void BM_CrosswireHandlerRoundTrip(benchmark::State &state)
{
    QProcess *peer = startPeer({QStringLiteral("pump")});
    CrosswireContext &context = senderContext();
    auto ask = [&](const QByteArray &body) {
        Message message;
        message.target = kPumpPeerSpec;
        message.responseRequest = "Result";
        message.body = body.isEmpty() ? timedBody() : body;
        context.send(message);
        // The Result arrives first, the Processed response after it.
        std::unique_ptr<Message> reply;
        while ((reply = nextMessage(context)) && reply->type != "Result") {
        }
        if (reply)
            nextMessage(context, 200);
        return reply;
    };
    for (auto _ : state) {
        // A random pause, so the sends fall anywhere in the peer's 10 ms pump period.
        std::this_thread::sleep_for(
            std::chrono::microseconds(QRandomGenerator::global()->bounded(10000)));
        if (!ask({})) {
            state.SkipWithError("no result");
            break;
        }
    }
    auto stats = ask("stats");
    handlerOneWayUs = stats ? statisticsFrom(stats->body).mean : 0;
    state.counters["one_way_us"] = handlerOneWayUs;
    stopPeer(peer);
}

} // namespace

BENCHMARK(BM_OneWayRawAndQueue)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(5000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CrosswireHandlerRoundTrip)
    ->Iterations(100)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawDatagramThroughput)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrosswireThroughput)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--peer") == 0) {
        QCoreApplication app(argc, argv);
        return runPeer(app.arguments().mid(2));
    }
    QTemporaryDir root;
    for (const char *name :
         {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME", "TESSALY_MACHINE_ROOT"}) {
        const QString path = root.path() + QLatin1Char('/') + QString::fromLatin1(name).toLower();
        QDir().mkpath(path);
        qputenv(name, QFile::encodeName(path));
    }
    QFile::setPermissions(root.path() + QStringLiteral("/xdg_runtime_dir"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    senderContext().terminate();
    std::printf("\nratios in this run:\n");
    for (const int digests : {1, 0}) {
        const Statistics &raw = rawOneWay[digests];
        const Statistics &queue = queueOneWay[digests];
        std::printf("  %s\n", digests ? "messages with digests (the default):"
                                      : "messages without digests (both flags off):");
        std::printf("    raw datagram, one way: median %.1f us, mean %.1f us\n", raw.median,
                    raw.mean);
        std::printf("    send -> peer's received queue, one way: median %.1f us, mean %.1f us\n",
                    queue.median, queue.mean);
        std::printf("    queue / raw: %.2f x (medians), %.2f x (means)\n",
                    queue.median / raw.median, queue.mean / raw.mean);
        for (int placement = 0; placement < 2; ++placement) {
            std::printf("    woken on %s processor: raw %d samples, median %.1f us; queue %d "
                        "samples, median %.1f us",
                        placement == 0 ? "the sender's" : "another", raw.placementCount[placement],
                        raw.placementMedian[placement], queue.placementCount[placement],
                        queue.placementMedian[placement]);
            if (raw.placementCount[placement] > 0 && queue.placementCount[placement] > 0)
                std::printf("; queue / raw %.2f x",
                            queue.placementMedian[placement] / raw.placementMedian[placement]);
            std::printf("\n");
        }
    }
    std::printf("  send -> peer's handler (pump every 10 ms), one way: mean %.0f us = %.1f x raw "
                "median\n",
                handlerOneWayUs, handlerOneWayUs / rawOneWay[1].median);
    std::printf("  throughput: %.0f messages/s = %.2f x raw datagrams (%.0f/s)\n",
                crosswireThroughput, crosswireThroughput / rawThroughput, rawThroughput);
    benchmark::Shutdown();
    return 0;
}
