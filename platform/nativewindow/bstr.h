#pragma once

#include <QtGlobal>

// System strings as the player contract passes them: UTF-16 text preceded by its length in bytes
// (a 32-bit word just before the first character) and followed by a NUL. A string of length zero
// is a valid, non-null allocation. Strings are allocated and freed only through these calls, so
// the allocator on both sides of a library boundary is the same.
using BSTR = char16_t *;

// Copies a NUL-terminated text; null in gives null out.
BSTR sysAllocString(const char16_t *text);
// Allocates length characters, copied from text or zero-filled when text is null. Returns null
// only when the allocation fails or the length cannot be represented.
BSTR sysAllocStringLen(const char16_t *text, quint32 length);
// Length in characters (0 for null).
quint32 sysStringLen(BSTR text);
// Length in bytes (0 for null).
quint32 sysStringByteLen(BSTR text);
// Frees a string from the calls above; null is allowed.
void sysFreeString(BSTR text);
