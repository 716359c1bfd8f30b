#include "apps/peer/peerscripthost.h"

namespace TessalyApps {

namespace {

// The functions the launcher's scripts call, as plain script functions over the host object,
// so `typeof open == 'function'` holds and arguments are converted the way scripts expect.
const char kPrelude[] = R"(
(function (host) {
    var global = this;
    global.open = function (tab, source) { return host.callOpen(String(tab), String(source)); };
    global.import_files = function (a) { return host.callImportFiles(a); };
    global.new_file = function (mode, a) { return host.callNewFile(String(mode), a); };
    global.launchSyncIntro = function (x) {
        return host.callLaunchSyncIntro(x === undefined ? '' : String(x));
    };
})
)";

} // namespace

PeerScriptHost::PeerScriptHost(QObject *parent)
    : QObject(parent)
{
    // The engine must not take this object over: it is owned by its Qt parent.
    QJSEngine::setObjectOwnership(this, QJSEngine::CppOwnership);
    QJSValue install = m_engine.evaluate(QString::fromLatin1(kPrelude));
    install.callWithInstance(m_engine.globalObject(), {m_engine.newQObject(this)});
}

PeerScriptHost::Outcome PeerScriptHost::evaluate(const QString &script)
{
    const QJSValue value = m_engine.evaluate(script);
    if (value.isError())
        return {false, value.toString()};
    return {true, value.isUndefined() ? QString() : value.toString()};
}

QString PeerScriptHost::callOpen(const QString &tab, const QString &source)
{
    Q_EMIT requested(QStringLiteral("open"),
                     QStringLiteral("Open the tab \"%1\" (asked by \"%2\")").arg(tab, source));
    return QStringLiteral("opened ") + tab;
}

QString PeerScriptHost::callImportFiles(const QJSValue &files)
{
    const QStringList list = toStringList(files);
    Q_EMIT requested(QStringLiteral("import_files"), QStringLiteral("Import %1 file(s): %2")
                                                         .arg(list.size())
                                                         .arg(list.join(QStringLiteral(", "))));
    return QStringLiteral("importing %1").arg(list.size());
}

QString PeerScriptHost::callNewFile(const QString &mode, const QJSValue &files)
{
    const QStringList list = toStringList(files);
    QString description = QStringLiteral("New file in mode \"%1\"").arg(mode);
    if (!list.isEmpty())
        description += QStringLiteral(" from ") + list.join(QStringLiteral(", "));
    Q_EMIT requested(QStringLiteral("new_file"), description);
    return QStringLiteral("new file %1").arg(list.size());
}

QString PeerScriptHost::callLaunchSyncIntro(const QString &argument)
{
    Q_EMIT requested(
        QStringLiteral("launchSyncIntro"),
        argument.isEmpty()
            ? QStringLiteral("Show the backup and sync introduction")
            : QStringLiteral("Show the backup and sync introduction (\"%1\")").arg(argument));
    return QStringLiteral("sync intro");
}

QStringList PeerScriptHost::toStringList(const QJSValue &value)
{
    QStringList list;
    if (value.isArray()) {
        const int length = value.property(QStringLiteral("length")).toInt();
        for (int i = 0; i < length; ++i)
            list.append(value.property(quint32(i)).toString());
    } else if (!value.isUndefined() && !value.isNull()) {
        list.append(value.toString());
    }
    return list;
}

} // namespace TessalyApps
