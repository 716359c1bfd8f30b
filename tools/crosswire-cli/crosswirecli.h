#pragma once

#include <QByteArray>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace KnObjects {
class CrosswireContext;
}

// The commands of crosswire-cli, apart from main() so the exit codes and texts are in one place.
// Output is written as it happens ("listen" runs until it is stopped), one line flushed at a
// time. usage() is the text of "crosswire-cli --help".
class CrosswireCli
{
public:
    enum Exit {
        Success = 0,
        // An Error response, or the message could not be sent.
        Failure = 1,
        // No answer came in time.
        TimedOut = 2,
        Usage = 64,
    };
    static constexpr int kDefaultTimeoutSeconds = 30;
    static constexpr int kDefaultPingMilliseconds = 2000;

    CrosswireCli(std::FILE *out, std::FILE *err);
    ~CrosswireCli();
    CrosswireCli(const CrosswireCli &) = delete;
    CrosswireCli &operator=(const CrosswireCli &) = delete;

    int run(const QStringList &arguments);

    // Async-signal-safe: asks a running command to end.
    static void requestStop();
    static bool stopRequested();

    static QByteArray usage();

private:
    struct Options
    {
        QStringList positional;
        QList<QPair<QString, QString>> named; // in their order, repeatable
        QStringList flags;

        std::optional<QString> value(const QString &name) const;
        QStringList values(const QString &name) const;
        bool has(const QString &flag) const { return flags.contains(flag); }
    };
    // Splits `arguments`; false (with a message) on an unknown or incomplete option.
    bool parse(const QStringList &arguments, const QStringList &valued, const QStringList &flags,
               Options &options);

    int send(const QStringList &arguments);
    int listen(const QStringList &arguments);
    int ping(const QStringList &arguments, const QByteArray &fixedKey);
    bool openContext(KnObjects::CrosswireContext &context, const QByteArray &specifier);

    int fail(const QByteArray &message, int code);
    void print(const QByteArray &text);

    std::FILE *m_out;
    std::FILE *m_err;
};
