#pragma once

#include <QJSEngine>
#include <QObject>
#include <QString>
#include <QStringList>

namespace TessalyApps {

// The script engine of a stand-in with the functions the launcher calls:
//   open(tab, source), import_files(a), new_file(mode, a) with `a` optional, launchSyncIntro(x).
// Each call is announced through requested() and answered with a short text that becomes the
// script's result.
class PeerScriptHost : public QObject
{
    Q_OBJECT

public:
    struct Outcome
    {
        bool ok = false;
        QString result; // the script's value, or the error text
    };

    explicit PeerScriptHost(QObject *parent = nullptr);

    Outcome evaluate(const QString &script);

    // Called from the script functions (through the engine).
    Q_INVOKABLE QString callOpen(const QString &tab, const QString &source);
    Q_INVOKABLE QString callImportFiles(const QJSValue &files);
    Q_INVOKABLE QString callNewFile(const QString &mode, const QJSValue &files);
    Q_INVOKABLE QString callLaunchSyncIntro(const QString &argument);

Q_SIGNALS:
    // `function` is the script function's name, `description` a readable line for the window.
    void requested(const QString &function, const QString &description);

private:
    static QStringList toStringList(const QJSValue &value);

    QJSEngine m_engine;
};

} // namespace TessalyApps
