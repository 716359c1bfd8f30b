#include "crosswire/threadinfomsghandler.h"

#include "crosswire/crosswirecontext.h"
#include "crosswire/message.h"

namespace KnObjects {

QByteArray ThreadInfoMsgHandler::text(const Crosswire::Message &request) const
{
    const QByteArray sections = request.body.trimmed();
    return m_context.diagnostics(sections.isEmpty() ? QByteArray("context,thread,messages")
                                                    : sections);
}

} // namespace KnObjects
