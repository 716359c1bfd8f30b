// Feeds arbitrary received text through the message parser the way the messaging thread does:
// message after message, by the consumed count, with digest verification on and off; whatever
// parses is written out again and parsed back, and read once more after that to see that it reads
// the same.

#include "crosswire/message.h"
#include "crosswire/sostring.h"

#include <cstdint>
#include <cstdlib>

using KnObjects::SoString;
using KnObjects::Crosswire::Message;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    const QByteArray key = "0123ABCD";
    for (const bool verify : {true, false}) {
        size_t offset = 0;
        int messages = 0;
        while (offset < size && messages < 1000) {
            Message message;
            const size_t consumed = message.parse(text + offset, size - offset, verify, key);
            // Every call makes progress and stays inside the buffer.
            if (consumed == 0 || consumed > size - offset)
                std::abort();
            if (message.body.size() > qsizetype(size))
                std::abort();
            offset += consumed;
            ++messages;

            SoString out;
            if (message.streamOut(out, true, key)) {
                Message again;
                const QByteArray wire = out.toByteArray();
                if (again.parse(wire, true, key) != size_t(wire.size()))
                    std::abort();
                // Our own digest always verifies and the body survives unchanged.
                if (!again.status.isEmpty() || again.body != message.body)
                    std::abort();
            }
            // What a message reads as never depends on the messages read before it.
            Message repeat;
            repeat.parse(text + offset - consumed, consumed, verify, key);
            if (repeat.target != message.target || repeat.sender != message.sender ||
                repeat.headers != message.headers || repeat.type != message.type)
                std::abort();
            (void)message.diagnostics("/fuzz");
        }
    }
    return 0;
}
