#pragma once

#include "shared/glint/efpglintplayer.h"

#include <QByteArray>
#include <QList>
#include <QMultiMap>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QWidget>

// A widget that shows a movie of the player library. The movie's stage window is a native
// child of the widget's top-level window, kept on the widget's geometry and visibility. Movie
// code calls host functions by name, dispatched to Qt slots registered with AddCallback; host
// code calls movie functions with CallFunction.
//
//   player->AddCallback(QStringLiteral("WelcomeScreen_RequestAppClose"), this,
//                       QStringLiteral("slotGlintRequestAppClose"), QVariant());
//   player->Load(path);
//   player->CallFunction("SetHiddenByAlert");
//
// A slot is found by its name and the types the movie's values produce, in order: a number
// that is an integer is "int", another number "qreal", then "QString" and "bool".
class QtGlintPlayer : public QWidget, public EFPGlintPlayer
{
    Q_OBJECT
public:
    // Resources a movie loads from these addresses are served by provideUrlData: below the
    // marker storage, by the rest of the address; the blank map page as "google maps script".
    static const QLatin1String kMarkerStorageUrl;
    static const QLatin1String kBlankMapUrl;

    // The third argument has no effect.
    explicit QtGlintPlayer(QWidget *parent = nullptr, Qt::WindowFlags flags = {}, int unused = 0);
    ~QtGlintPlayer() override;

    // Registers a slot for a movie function. An invalid template means the slot returns
    // nothing; otherwise its type (bool, int or QString) is the slot's return type. The same
    // (name, receiver, slot) again only re-enables the entry it made before.
    void AddCallback(const QString &name, QObject *receiver, const QString &slot,
                     const QVariant &returnTemplate = QVariant());
    // Disables every entry of that (name, receiver, slot).
    void RemoveCallback(const QString &name, QObject *receiver, const QString &slot);
    // Calls a movie function; the movie's reply, unchanged (empty when there is none).
    QString CallFunction(const QByteArray &name, const QList<QVariant> *arguments = nullptr);
    // Loads a movie file, or the main document of a folder; the library's result code.
    int Load(const QString &path);
    // The size the movie asked for, -1 x -1 until it asks.
    QSize requestedSize() const;
    void setTrace(bool on) { m_trace = on; }
    bool trace() const { return m_trace; }

protected:
    // Fills data with the resource of that name; the default serves empty data.
    virtual void provideUrlData(const QString &name, QByteArray &data);

    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    void CallAppFunction(std::string &result, const std::string &request) override;
    void onRequestSize(int width, int height) override;
    qintptr onGetProperty(EFPPropertyRecord *record) override;
    void onHitTest(quintptr wParam, qintptr lParam) override;
    void onRequestUrl(EFPUrlRecord *record) override;

private:
    struct CallbackEntry
    {
        // Not owned; an entry whose receiver is gone is skipped.
        QPointer<QObject> receiver;
        QString slot;
        QVariant returnTemplate;
        bool enabled = true;
    };

    static NativeHandle topLevelHandle(QWidget *widget);
    void placeStage();

    QMultiMap<QString, CallbackEntry> m_callbacks;
    int m_requestedWidth = -1;
    int m_requestedHeight = -1;
    bool m_trace = false;
};
