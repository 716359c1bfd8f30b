#pragma once

#include "components/scriptruntime/kernova/liveobject.h"

#include <QByteArray>
#include <QMap>

#include <memory>

namespace KnObjects {

namespace Crosswire {
class Message;
}

// The "headers" object of a script's Crosswire object (class "CrosswireHeaders"): each property
// is a custom header of the message, read as UTF-8 text and written into the message. A name
// seen for the first time gets a fresh property id, so scripts simply assign new headers
// ("msg.headers.Priority = 'high'").
class HeaderObject : public Kernova::LiveObject
{
public:
    explicit HeaderObject(std::shared_ptr<Crosswire::Message> message);

    int get(int id, Kernova::Variant &value) override;
    int put(int id, const Kernova::Variant &value) override;
    int getIDForName(const Kernova::String &name) override;
    int flagsForID(int id) override;

private:
    std::shared_ptr<Crosswire::Message> m_message;
    QMap<QByteArray, int> m_ids;
    QMap<int, QByteArray> m_names;
};

} // namespace KnObjects
