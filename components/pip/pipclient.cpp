#include "components/pip/pipclient.h"

#include "components/pip/crashmarker.h"
#include "components/pip/tessalypip.h"
#include "platform/folders/folders.h"
#include "platform/registry/ptsettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibrary>
#include <QLoggingCategory>
#include <QThread>

#include <dlfcn.h>

Q_LOGGING_CATEGORY(lcPip, "tessaly.components.pip", QtWarningMsg)

namespace {

const QString optInName = QStringLiteral("OptIn");

// The opt-in dialog lives in a library of its own, so this one needs no Qt Gui until a dialog is
// actually shown.
using RunDialogFn = int32_t (*)(const char16_t *title, const char16_t *folder, int32_t current);

QString ownFolder()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void *>(&PipClient::instance), &info) == 0 || !info.dli_fname)
        return QString();
    const QString path = QFile::decodeName(info.dli_fname);
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}

bool hasWidgetApplication()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && app->inherits("QApplication") && QThread::currentThread() == app->thread();
}

} // namespace

PipClient &PipClient::instance()
{
    static PipClient client;
    return client;
}

QString PipClient::optInKeyPath(const QString &productLineId)
{
    return QStringLiteral("Software\\Tessaly\\CommonFiles\\Usage\\") + productLineId;
}

int PipClient::optInState(const QString &productLineId)
{
    PtSettingsCU settings(optInKeyPath(productLineId));
    if (!settings.contains(optInName))
        return -1;
    bool ok = false;
    const int state = settings.value(optInName).toInt(&ok);
    return ok ? state : -1;
}

bool PipClient::recordsFor(int startMode, int optInState)
{
    return startMode == 0 ? optInState != 0 : optInState == 1;
}

QString PipClient::recordFolder(const QString &productLineId)
{
    QString name;
    for (const QChar c : productLineId) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'_';
        name.append(plain ? c : QChar(u'_'));
    }
    // Neither "." nor ".." nor a hidden name: the folder stays inside the usage folder.
    if (name.startsWith(QLatin1Char('.')))
        name.replace(0, 1, QLatin1Char('_'));
    return Folders::userDataHome() + QStringLiteral("/tessaly/usage/") + name.left(128);
}

int32_t PipClient::setDisplayNames(const QStringList &names, int listMode)
{
    std::lock_guard lock(m_mutex);
    if (listMode == 0)
        m_displayNames = names;
    else if (listMode == 1)
        m_displayNames += names;
    else
        return TPIP_E_INVALID_ARGUMENT;
    return TPIP_OK;
}

int32_t PipClient::enableCrashDetection(bool enable)
{
    std::lock_guard lock(m_mutex);
    m_crashDetection = enable;
    return TPIP_OK;
}

int32_t PipClient::initialize(const Identity &identity)
{
    std::lock_guard lock(m_mutex);
    if (m_identity)
        return TPIP_E_ALREADY_INITIALIZED;
    if (identity.productLineId.isEmpty())
        return TPIP_E_INVALID_ARGUMENT;

    const QString folder = recordFolder(identity.productLineId);
    const QByteArray product = identity.product.toUtf8();
    const QByteArray productCode = identity.productCode.toUtf8();
    const QByteArray productLine = identity.productLineId.toUtf8();
    const QByteArray version = identity.fullVersion.toUtf8();
    const QByteArray locale = identity.locale.toUtf8();
    const QByteArray folderName = folder.toUtf8();
    const UTSessionInfo info{product.constData(), productCode.constData(), productLine.constData(),
                             version.constData(), locale.constData(),      folderName.constData()};
    m_session = UTOpenSession(&info);
    if (!m_session)
        return TPIP_E_STORAGE;
    m_identity = identity;
    updateRecording();

    if (m_crashDetection) {
        CrashMarker marker(folder);
        if (const auto previous = marker.abandoned()) {
            qCInfo(lcPip) << "the previous session of" << identity.productLineId
                          << "ended without terminating";
            const QByteArray started = previous->started.toUtf8();
            UTLogEvent(m_session, started.constData(), "sessionEndedAbnormally", "TPIP",
                       int32_t(previous->pid), 0);
        }
        if (!marker.place())
            qCWarning(lcPip) << "cannot write" << marker.path();
    }
    return TPIP_OK;
}

int32_t PipClient::terminate()
{
    std::lock_guard lock(m_mutex);
    if (!m_identity)
        return TPIP_E_NOT_INITIALIZED;
    if (m_crashDetection)
        CrashMarker(recordFolder(m_identity->productLineId)).remove();
    UTCloseSession(m_session);
    m_session = nullptr;
    m_identity.reset();
    return TPIP_OK;
}

bool PipClient::updateRecording()
{
    const bool records = recordsFor(m_identity->startMode, optInState(m_identity->productLineId));
    UTSetRecording(m_session, records ? 1 : 0);
    return records;
}

UTLogHandle PipClient::logHandle()
{
    std::lock_guard lock(m_mutex);
    if (!m_identity)
        return nullptr;
    // The choice may have changed since initialisation (another product's dialog).
    return updateRecording() ? m_session : nullptr;
}

int32_t PipClient::displayOptInOutDialog()
{
    std::lock_guard lock(m_mutex);
    if (!m_identity)
        return TPIP_E_NOT_INITIALIZED;
    if (!hasWidgetApplication())
        return TPIP_E_NO_GUI;
    QLibrary library(ownFolder() + QStringLiteral("/libTessalyPIPDialog.so"));
    const auto run = reinterpret_cast<RunDialogFn>(library.resolve("tessalyPipRunOptInDialog"));
    if (!run) {
        qCWarning(lcPip) << "no opt-in dialog:" << library.errorString();
        return TPIP_E_NO_GUI;
    }
    const QString title = m_displayNames.isEmpty() ? m_identity->product : m_displayNames.first();
    const QString folder = recordFolder(m_identity->productLineId);
    const int choice = run(reinterpret_cast<const char16_t *>(title.utf16()),
                           reinterpret_cast<const char16_t *>(folder.utf16()),
                           optInState(m_identity->productLineId));
    // QLibrary leaves the dialog library loaded: events of its widgets may still be queued.
    if (choice != 0 && choice != 1)
        return TPIP_CANCELLED;
    {
        PtSettingsCU settings(optInKeyPath(m_identity->productLineId));
        settings.setValue(optInName, choice);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return TPIP_E_STORAGE;
    }
    updateRecording();
    return TPIP_OK;
}
