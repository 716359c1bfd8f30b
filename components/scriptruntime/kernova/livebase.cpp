#include "components/scriptruntime/kernova/livebase.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/heap.h"
#include "components/scriptruntime/kernova/livecomponent.h"
#include "components/scriptruntime/kernova/liveobject.h"
#include "components/scriptruntime/kernova/liveobjectfactory.h"

#include <QMap>

#include <atomic>
#include <mutex>

namespace Kernova {

namespace {
std::atomic<int> nextId{100000};
} // namespace

LiveBase::~LiveBase() = default;

int LiveBase::setError(int code, const String &message)
{
    m_errorCode = code;
    m_errorMessage = message;
    return code;
}

void LiveBase::clearError()
{
    m_errorCode = 0;
    m_errorMessage = String();
}

int LiveBase::getNextID()
{
    return nextId++;
}

void *LiveBase::operator new(std::size_t size)
{
    return Heap::allocate(size);
}

void LiveBase::operator delete(void *pointer)
{
    Heap::release(pointer);
}

} // namespace Kernova
