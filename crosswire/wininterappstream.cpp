#include "crosswire/wininterappstream.h"

#include "crosswire/objectlock.h"
#include "platform/mailslot/mailslot.h"
#include "platform/mailslot/mailslotwriter.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCrosswire)

namespace KnObjects {

WinInterAppStream::WinInterAppStream(const QByteArray &name, const QByteArray &pathPrefix,
                                     bool legacy, bool receive)
    : BaseInterAppStream(name, pathPrefix, legacy)
    , m_writer(std::make_unique<MailslotWriter>())
{
    if (!receive)
        return;
    auto result = Mailslot::create(QString::fromUtf8(mailslotName(name)));
    m_mailslot = std::move(result.mailslot);
    if (!m_mailslot && result.status != Mailslot::Status::Taken)
        qCWarning(lcCrosswire) << "cannot open mailslot" << name << result.error;
}

WinInterAppStream::~WinInterAppStream() = default;

bool WinInterAppStream::isOpen() const
{
    return m_mailslot != nullptr;
}

BaseInterAppStream::WriteResult WinInterAppStream::write(const QByteArray &endpointName,
                                                         const QByteArray &text)
{
    ObjectLock lock(*this);
    switch (m_writer->write(writeName(endpointName), text)) {
    case MailslotWriter::Result::Written:
        return WriteResult::Written;
    case MailslotWriter::Result::NoReceiver:
        return WriteResult::NoReceiver;
    case MailslotWriter::Result::Full:
        return WriteResult::Full;
    case MailslotWriter::Result::TooLarge:
        return WriteResult::TooLarge;
    case MailslotWriter::Result::Failed:
        break;
    }
    return WriteResult::Failed;
}

QString WinInterAppStream::writeName(const QByteArray &endpointName)
{
    if (m_lastMailslot.isEmpty() || endpointName != m_lastEndpoint) {
        m_lastEndpoint = endpointName;
        m_lastMailslot = QString::fromUtf8(mailslotName(endpointName));
    }
    return m_lastMailslot;
}

bool WinInterAppStream::receive()
{
    ObjectLock lock(*this);
    if (!m_mailslot || isReceiveBufferFull())
        return false;
    for (;;) {
        const Mailslot::ReadResult read = m_mailslot->read();
        switch (read.status) {
        case Mailslot::ReadStatus::Message:
            appendReceived(read.data);
            return true;
        case Mailslot::ReadStatus::Dropped:
            continue; // logged by the mailslot; the next one may be ours
        case Mailslot::ReadStatus::Failed:
            qCWarning(lcCrosswire) << "discarded a short read on" << name();
            continue;
        case Mailslot::ReadStatus::Empty:
            return false;
        }
    }
}

bool WinInterAppStream::isMessageWaiting() const
{
    ObjectLock lock(*this);
    return m_mailslot && m_mailslot->nextMessageSize().has_value();
}

bool WinInterAppStream::canCreate(const QByteArray &endpointName)
{
    WinInterAppStream probe(endpointName, pathPrefix(), isLegacy(), true);
    return probe.isOpen();
}

bool WinInterAppStream::isTaken(const QByteArray &endpointName) const
{
    return Mailslot::isTaken(QString::fromUtf8(mailslotName(endpointName)));
}

int WinInterAppStream::receiveHandle() const
{
    return m_mailslot ? m_mailslot->fd() : -1;
}

int WinInterAppStream::writeWaitHandle(const QByteArray &endpointName) const
{
    ObjectLock lock(*this);
    return m_writer->waitHandle(QString::fromUtf8(mailslotName(endpointName)));
}

qint64 WinInterAppStream::maxMessageSize() const
{
    return m_writer->maxMessageSize();
}

} // namespace KnObjects
