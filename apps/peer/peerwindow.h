#pragma once

#include <QMainWindow>

class QLabel;
class QListWidget;

namespace TessalyApps {

// The stand-in's window: its title, the specifier it answers to, its start-up state and the
// list of what was asked of it, newest last.
class PeerWindow : public QMainWindow
{
    Q_OBJECT

public:
    PeerWindow(const QString &title, const QString &specifier, QWidget *parent = nullptr);

    void setStartupStatus(const QString &status);
    void addRequest(const QString &description);
    int requestCount() const;

private:
    QLabel *m_status = nullptr;
    QListWidget *m_requests = nullptr;
};

} // namespace TessalyApps
