#pragma once

#include "components/caps/capsdatabase.h"

#include <QByteArray>
#include <QStringList>

#include <memory>

// The commands of caps-tool, separated from main() so they can be driven with any arguments and
// output buffers. usage() is the text of "caps-tool --help".
class CapsTool
{
public:
    enum Exit { Success = 0, Failure = 1, Usage = 2 };

    int run(const QStringList &arguments);

    const QByteArray &out() const { return m_out; }
    const QByteArray &err() const { return m_err; }

    static QString usage();

private:
    int registerApplication(const QStringList &args);
    int list(const QStringList &args);
    int show(const QStringList &args);
    int remove(const QStringList &args);
    int removeGroup(const QString &group, bool force);
    int exportXml(const QStringList &args);
    int importXml(const QStringList &args);

    std::unique_ptr<CapsDatabase> openForReading(int32_t *status);
    std::unique_ptr<CapsDatabase> openForWriting();
    int fail(const QString &message, int code = Failure);
    int failDatabase(const QString &what, int32_t status, const CapsDatabase *database);
    void print(const QString &text);

    QString m_databasePath;
    QByteArray m_out;
    QByteArray m_err;
};
