// Loading a 20,000-entry ZString dictionary (text and binary version 2) and looking up every
// key, beside QTranslator loading and looking up the same 20,000 strings from a .qm file made
// with lrelease. Prints the ratios at the end:
//   lookup hit: ZString / QTranslator (target at most 0.5)
//   load binary 2: ZString / QTranslator (target at most 10)

#include "locale/dictionaryhash.h"
#include "locale/dictionarywriter.h"
#include "locale/zstringdictionary.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace basekit_private;

namespace {

constexpr int kEntries = 20000;
const char *const kContext = "ZString";

struct Fixture
{
    QTemporaryDir dir;
    QList<DictionaryEntry> entries;
    std::vector<std::string> zstrings; // "$$$<key>=<English>" as the program writes them
    std::vector<std::string> keys;     // QTranslator's source texts
    QString textPath;
    QString binaryPath;
    QString qmPath;
    bool ready = false;
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// Keys and texts shaped like a product's: groups of dialogs and windows, names made of words.
void makeStrings(Fixture &f)
{
    static const char *const groups[] = {
        "LauncherWindow", "WelcomeScreen", "Settings",  "Organizer", "Editor",      "Share",
        "Backup",         "Print",         "Slideshow", "Import",    "Export",      "Tutorials",
        "Account",        "Preferences",   "Catalog",   "Albums",    "People",      "Places",
        "Events",         "Tags",          "Filters",   "Effects",   "Adjustments", "Layers",
        "Selection",      "Crop",          "Text",      "Brush",     "History",     "Help"};
    static const char *const words[] = {
        "Open",   "Close",  "Save",    "Cancel",  "Title",   "Caption", "Message",  "Tooltip",
        "Button", "Label",  "Error",   "Warning", "Confirm", "Delete",  "Rename",   "Move",
        "Copy",   "Paste",  "Select",  "All",     "None",    "Next",    "Previous", "Done",
        "Apply",  "Reset",  "Default", "Size",    "Width",   "Height",  "Color",    "Quality",
        "Format", "Folder", "File",    "Name"};
    constexpr int groupCount = int(std::size(groups));
    constexpr int wordCount = int(std::size(words));
    std::map<QByteArray, int> seen;
    for (int i = 0; int(f.entries.size()) < kEntries; ++i) {
        QByteArray key = QByteArray("/") + groups[i % groupCount] + '/' +
                         words[(i / groupCount) % wordCount] +
                         words[(i / (groupCount * wordCount)) % wordCount];
        if (seen[key]++ > 0)
            key += QByteArray::number(seen[key]);
        const QString english = QStringLiteral("%1 %2 text number %3")
                                    .arg(QLatin1String(words[i % wordCount]),
                                         QLatin1String(groups[(i / 7) % groupCount]))
                                    .arg(i);
        const QString translated = QStringLiteral("Übersetzter Text Nummer %1 für „%2“")
                                       .arg(i)
                                       .arg(QLatin1String(words[(i / 3) % wordCount]));
        f.entries.append({key, translated});
        f.zstrings.push_back("$$$" + key.toStdString() + '=' + english.toStdString());
        f.keys.push_back(key.toStdString());
    }
}

QString xmlEscaped(const QString &text)
{
    return text.toHtmlEscaped();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

bool prepare()
{
    Fixture &f = fixture();
    if (f.ready)
        return true;
    if (!f.dir.isValid())
        return false;
    makeStrings(f);
    f.textPath = f.dir.filePath(QStringLiteral("text.dct"));
    f.binaryPath = f.dir.filePath(QStringLiteral("binary2.dct"));
    f.qmPath = f.dir.filePath(QStringLiteral("strings.qm"));
    const auto text = DictionaryWriter::write(f.entries, DictionaryWriter::Format::Text);
    const auto binary = DictionaryWriter::write(f.entries, DictionaryWriter::Format::Version2_1);
    if (!text.ok() || !binary.ok() || !writeFile(f.textPath, text.data) ||
        !writeFile(f.binaryPath, binary.data))
        return false;

    QString ts = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                "<!DOCTYPE TS>\n<TS version=\"2.1\" language=\"de_DE\">\n"
                                "<context>\n<name>ZString</name>\n");
    for (const DictionaryEntry &entry : f.entries) {
        ts += u"<message><source>" + xmlEscaped(QString::fromUtf8(entry.key)) +
              u"</source><translation>" + xmlEscaped(entry.value) + u"</translation></message>\n";
    }
    ts += u"</context>\n</TS>\n";
    const QString tsPath = f.dir.filePath(QStringLiteral("strings.ts"));
    if (!writeFile(tsPath, ts.toUtf8()))
        return false;
    QProcess lrelease;
    lrelease.start(QStringLiteral(TESSALY_LRELEASE),
                   {QStringLiteral("-silent"), tsPath, QStringLiteral("-qm"), f.qmPath});
    if (!lrelease.waitForFinished(120000) || lrelease.exitCode() != 0) {
        std::fprintf(stderr, "lrelease failed: %s\n", lrelease.readAllStandardError().constData());
        return false;
    }
    f.ready = true;
    return true;
}

void BM_ZStringLoadText(benchmark::State &state)
{
    if (!prepare())
        return state.SkipWithError("set-up failed");
    for (auto _ : state) {
        ZStringDictionary dictionary;
        dictionary.setAnsiCharset("UTF-8");
        benchmark::DoNotOptimize(dictionary.load(fixture().textPath, 39, false));
    }
}
BENCHMARK(BM_ZStringLoadText)->Unit(benchmark::kMicrosecond);

void BM_ZStringLoadBinary2(benchmark::State &state)
{
    if (!prepare())
        return state.SkipWithError("set-up failed");
    for (auto _ : state) {
        ZStringDictionary dictionary;
        benchmark::DoNotOptimize(dictionary.load(fixture().binaryPath, 39, false));
    }
}
BENCHMARK(BM_ZStringLoadBinary2)->Unit(benchmark::kMicrosecond);

void BM_QTranslatorLoad(benchmark::State &state)
{
    if (!prepare())
        return state.SkipWithError("set-up failed");
    for (auto _ : state) {
        QTranslator translator;
        benchmark::DoNotOptimize(translator.load(fixture().qmPath));
    }
}
BENCHMARK(BM_QTranslatorLoad)->Unit(benchmark::kMicrosecond);

void lookupAll(benchmark::State &state, const ZStringDictionary &dictionary)
{
    const Fixture &f = fixture();
    for (std::size_t i = 0; i < f.zstrings.size(); ++i) {
        if (dictionary.translate(f.zstrings[i]) != f.entries[qsizetype(i)].value)
            return state.SkipWithError("wrong lookup result");
    }
    for (auto _ : state) {
        for (const std::string &z : f.zstrings)
            benchmark::DoNotOptimize(dictionary.translate(z));
    }
    state.SetItemsProcessed(state.iterations() * qint64(f.zstrings.size()));
}

void BM_ZStringLookupAllText(benchmark::State &state)
{
    if (!prepare())
        return state.SkipWithError("set-up failed");
    ZStringDictionary dictionary;
    dictionary.setAnsiCharset("UTF-8");
    dictionary.load(fixture().textPath, 39, false);
    lookupAll(state, dictionary);
}
BENCHMARK(BM_ZStringLookupAllText)->Unit(benchmark::kMicrosecond);

void BM_ZStringLookupAllBinary2(benchmark::State &state)
{
    if (!prepare())
        return state.SkipWithError("set-up failed");
    ZStringDictionary dictionary;
    dictionary.load(fixture().binaryPath, 39, false);
    lookupAll(state, dictionary);
}
BENCHMARK(BM_ZStringLookupAllBinary2)->Unit(benchmark::kMicrosecond);

void BM_QTranslatorLookupAll(benchmark::State &state)
{
    if (!prepare())
        return state.SkipWithError("set-up failed");
    const Fixture &f = fixture();
    QTranslator translator;
    if (!translator.load(f.qmPath))
        return state.SkipWithError("cannot load the .qm file");
    for (std::size_t i = 0; i < f.keys.size(); ++i) {
        if (translator.translate(kContext, f.keys[i].c_str()) != f.entries[qsizetype(i)].value)
            return state.SkipWithError("wrong QTranslator result");
    }
    for (auto _ : state) {
        for (const std::string &key : f.keys)
            benchmark::DoNotOptimize(translator.translate(kContext, key.c_str()));
    }
    state.SetItemsProcessed(state.iterations() * qint64(f.keys.size()));
}
BENCHMARK(BM_QTranslatorLookupAll)->Unit(benchmark::kMicrosecond);

// Keeps the time per iteration of every run, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times; // CPU time in the benchmark's unit (microseconds)
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto &t = reporter.times;
    const auto has = [&](const char *name) {
        return t.count(name) > 0;
    };
    if (prepare()) {
        std::vector<int> chains(dictionaryBucketCount, 0);
        for (const DictionaryEntry &e : fixture().entries)
            ++chains[dictionaryHash(e.key.constData(), std::size_t(e.key.size()))];
        std::printf("\n%d entries in %d buckets: longest chain %d, %d buckets empty\n", kEntries,
                    dictionaryBucketCount, *std::max_element(chains.begin(), chains.end()),
                    int(std::count(chains.begin(), chains.end(), 0)));
    }
    const double perLookup = 1000.0 / kEntries; // microseconds per loop -> nanoseconds each
    if (has("BM_QTranslatorLookupAll")) {
        const double qt = t.at("BM_QTranslatorLookupAll");
        std::printf("QTranslator lookup hit: %.0f ns\n", qt * perLookup);
        for (const char *name : {"BM_ZStringLookupAllText", "BM_ZStringLookupAllBinary2"}) {
            if (has(name)) {
                std::printf("%s: %.0f ns per hit, ratio to QTranslator %.2f (target <= 0.5)\n",
                            name, t.at(name) * perLookup, t.at(name) / qt);
            }
        }
    }
    if (has("BM_QTranslatorLoad")) {
        const double qt = t.at("BM_QTranslatorLoad");
        std::printf("QTranslator load: %.1f us\n", qt);
        for (const char *name : {"BM_ZStringLoadBinary2", "BM_ZStringLoadText"}) {
            if (has(name)) {
                std::printf("%s: %.1f us, ratio to QTranslator %.2f%s\n", name, t.at(name),
                            t.at(name) / qt,
                            std::string(name) == "BM_ZStringLoadBinary2" ? " (target <= 10)" : "");
            }
        }
    }
    benchmark::Shutdown();
    return 0;
}
