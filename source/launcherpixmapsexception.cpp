#include "source/launcherpixmapsexception.h"

LauncherPixmapsException::LauncherPixmapsException(QString message)
    : m_message(std::move(message))
    , m_what(m_message.toStdString())
{
}
