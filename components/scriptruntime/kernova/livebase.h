#pragma once

#include "components/scriptruntime/kernova/string.h"

#include <cstddef>

namespace Kernova {

// Base of every runtime-derived object: allocated on the runtime's heap, with the last error a
// script-visible operation reported.
class LiveBase
{
public:
    LiveBase() = default;
    virtual ~LiveBase();
    LiveBase(const LiveBase &) = delete;
    LiveBase &operator=(const LiveBase &) = delete;

    // Records an error for the script engine to raise; returns `code`.
    int setError(int code, const String &message = {});
    int errorCode() const { return m_errorCode; }
    String errorMessage() const { return m_errorMessage; }
    void clearError();

    // A fresh property id, never handed out before in this process.
    static int getNextID();

    static void *operator new(std::size_t size);
    static void operator delete(void *pointer);

private:
    int m_errorCode = 0;
    String m_errorMessage;
};

} // namespace Kernova
