#include "apps/peer/peerwindow.h"

#include <QLabel>
#include <QListWidget>
#include <QTime>
#include <QVBoxLayout>

namespace TessalyApps {

PeerWindow::PeerWindow(const QString &title, const QString &specifier, QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(title);
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    auto *heading = new QLabel(title, central);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);
    layout->addWidget(new QLabel(tr("Answers to \"%1\"").arg(specifier), central));
    m_status = new QLabel(central);
    layout->addWidget(m_status);
    layout->addWidget(new QLabel(tr("Requests received:"), central));
    m_requests = new QListWidget(central);
    m_requests->setObjectName(QStringLiteral("requests"));
    layout->addWidget(m_requests, 1);
    setCentralWidget(central);
    resize(560, 380);
}

void PeerWindow::setStartupStatus(const QString &status)
{
    m_status->setText(status);
}

void PeerWindow::addRequest(const QString &description)
{
    m_requests->addItem(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) +
                        QStringLiteral("  ") + description);
    m_requests->scrollToBottom();
}

int PeerWindow::requestCount() const
{
    return m_requests->count();
}

} // namespace TessalyApps
