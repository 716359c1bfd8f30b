// Feeds arbitrary text to the "tessaly-crosswire" address splitting that `new Crosswire(address)`
// uses. An accepted address must give a valid target of specifier characters (one "#" at most),
// a bounded list of named properties, and an object whose message writes and reads back with
// the same target and body: nothing in an address may forge lines of the message.

#include "crosswire/crosswireliveobject.h"
#include "crosswire/crosswireliveobjectfactory.h"
#include "crosswire/crosswireurl.h"
#include "crosswire/message.h"
#include "crosswire/sostring.h"
#include "crosswire/specifier.h"

#include <cstdint>
#include <cstdlib>

using namespace KnObjects;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const auto url = CrosswireUrl::split(text, &error);
    if (!url) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    if (!Crosswire::Specifier(url->target).isValid() || url->target.count('#') > 1)
        std::abort();
    for (const char c : url->target) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '#';
        if (!ok)
            std::abort();
    }
    if (url->properties.size() > CrosswireUrl::kMaxProperties)
        std::abort();
    for (const auto &property : url->properties) {
        if (property.first.isEmpty())
            std::abort();
    }

    int code = 0;
    const auto object = CrosswireLiveObjectFactory::fromAddress(text, code);
    if (!object) {
        if (code != CrosswireLiveObject::kBadUrl)
            std::abort();
        return 0;
    }
    Crosswire::Message message(object->message());
    message.sender = "fuzz-1.0";
    SoString wire;
    if (!message.toString(wire))
        return 0;
    Crosswire::Message again;
    again.parse(wire.toByteArray(), false, {});
    // An empty type is not written; it reads back as the default type, which send() uses too.
    const QByteArray type = message.type.isEmpty() ? QByteArray("Scriptara") : message.type;
    if (again.target != message.target || again.body != message.body || again.type != type ||
        again.sender != message.sender)
        std::abort();
    return 0;
}
