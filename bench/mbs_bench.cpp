// Reading a content feed index of 1000 items with FeedIndex (JSON parse plus every check the
// download relies on) beside QJsonDocument's parse alone, and reading a 1000-entry manifest with
// PtContentManifest beside std::istringstream token extraction into the same map. Prints the
// ratios at the end:
//   feed index: FeedIndex / QJsonDocument (the cost of the checks)
//   manifest: PtContentManifest / istringstream

#include "components/mbs/feedindex.h"
#include "services/ptcontentmanifest.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace {

constexpr int kItems = 1000;

const QByteArray &indexText()
{
    static const QByteArray text = [] {
        QJsonArray items;
        for (int i = 0; i < kItems; ++i) {
            const QString id = QStringLiteral("pod-%1").arg(i);
            QJsonArray files;
            for (const char *suffix : {".swf", ".metadata.xml"}) {
                const QByteArray content = id.toUtf8() + suffix;
                files.append(QJsonObject{
                    {QStringLiteral("name"), QString(id + QLatin1String(suffix))},
                    {QStringLiteral("size"), 1000 + i},
                    {QStringLiteral("sha256"),
                     QString::fromLatin1(
                         QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex())}});
            }
            items.append(
                QJsonObject{{QStringLiteral("kind"), QStringLiteral("wspd")},
                            {QStringLiteral("name"), id},
                            {QStringLiteral("identifier"), id},
                            {QStringLiteral("version"), QString::number(i % 7)},
                            {QStringLiteral("locales"), QJsonArray{QStringLiteral("en_us")}},
                            {QStringLiteral("files"), files}});
        }
        return QJsonDocument(
                   QJsonObject{{QStringLiteral("format"), 1}, {QStringLiteral("items"), items}})
            .toJson();
    }();
    return text;
}

const QByteArray &manifestText()
{
    static const QByteArray text = [] {
        QByteArray t;
        for (int i = 0; i < kItems; ++i)
            t += "pod-" + QByteArray::number(i) + ' ' + QByteArray::number(i % 7) + ".0\n";
        return t;
    }();
    return text;
}

void BM_FeedIndex(benchmark::State &state)
{
    for (auto _ : state) {
        const FeedIndex::Result result = FeedIndex::parse(indexText());
        benchmark::DoNotOptimize(result.items.size());
    }
}

void BM_JsonOnly(benchmark::State &state)
{
    for (auto _ : state) {
        const QJsonDocument document = QJsonDocument::fromJson(indexText());
        benchmark::DoNotOptimize(document.object().size());
    }
}

void BM_Manifest(benchmark::State &state)
{
    for (auto _ : state) {
        const PtContentManifest::Map map = PtContentManifest::parse(manifestText());
        benchmark::DoNotOptimize(map.size());
    }
}

void BM_IStringStream(benchmark::State &state)
{
    for (auto _ : state) {
        std::istringstream in(manifestText().toStdString());
        std::map<std::string, std::string> map;
        std::string name;
        std::string version;
        while (in >> name >> version)
            map[name] = version;
        benchmark::DoNotOptimize(map.size());
    }
}

BENCHMARK(BM_FeedIndex)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JsonOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Manifest)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IStringStream)->Unit(benchmark::kMicrosecond);

// Times per iteration, kept by a reporter that sees every run's real time.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    double time(const std::string &name) const
    {
        const auto it = m_times.find(name);
        return it == m_times.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double json = reporter.time("BM_JsonOnly");
    const double stream = reporter.time("BM_IStringStream");
    if (json > 0)
        std::printf("feed index: FeedIndex / QJsonDocument = %.2f\n",
                    reporter.time("BM_FeedIndex") / json);
    if (stream > 0)
        std::printf("manifest: PtContentManifest / istringstream = %.2f\n",
                    reporter.time("BM_Manifest") / stream);
    benchmark::Shutdown();
    return 0;
}
