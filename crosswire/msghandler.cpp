#include "crosswire/msghandler.h"

namespace KnObjects::Crosswire {

MsgHandler::~MsgHandler() = default;

void MsgHandler::hook() {}

QByteArray MsgHandler::type() const
{
    return "Scriptara";
}

int64_t MsgHandler::serial() const
{
    return -1;
}

} // namespace KnObjects::Crosswire
