#pragma once

#include "components/efp/efpapi.h"

#include <QHash>
#include <QJSValue>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>
#include <optional>

class EFPLocalChannel;
class EFPUrlInterceptor;
class QQmlComponent;
#include <QQuickView>

// The player behind one stage window: plays one movie (a Qt Quick document) in the stage's
// QQuickView and carries the movie's requests to the host as messages sent to the stage. It is
// a child of the view, so it never outlives it.
class EFPStagePlayer : public QObject
{
    Q_OBJECT
public:
    EFPStagePlayer(NativeHandle stage, QQuickView *view);
    ~EFPStagePlayer() override;

    NativeHandle stage() const { return m_stage; }
    QQuickView *view() const { return m_view; }
    QUrl movieUrl() const { return m_movieUrl; }

    void changeAttributes(int32_t set, int32_t clear);
    bool hasAttribute(int32_t attribute) const { return (m_attributes & attribute) != 0; }

    int32_t loadMovie(const QString &path);
    int32_t loadComponent(const QString &folder);
    int32_t callExternalInterface(const QString &request, BSTR *result);

    // Movie to host.
    QJSValue callHost(const QString &name, const QJSValueList &arguments);
    bool addCallback(const QString &name, const QJSValue &function);
    void trace(const QString &text);
    // Asks the host for a resource; the data it served, or nothing when it did not serve it.
    std::optional<QByteArray> requestUrl(const QUrl &url);
    qintptr sendRequest(quint32 message, quintptr wParam = 0, qintptr lParam = 0);
    void requestSize(int width, int height);
    EFPLocalChannel *channel(const QString &name);

    // The stage goes away: the host is told, and the movie no longer reaches it.
    void disconnect();

private:
    int32_t load(const QUrl &url);
    void unloadMovie();

    NativeHandle m_stage;
    QPointer<QQuickView> m_view;
    QPointer<QQmlComponent> m_component;
    QUrl m_movieUrl;
    int32_t m_attributes = 0;
    bool m_connected = true;
    QHash<QString, QJSValue> m_callbacks;
    QHash<QString, EFPLocalChannel *> m_channels;
    std::unique_ptr<EFPUrlInterceptor> m_interceptor;
};
