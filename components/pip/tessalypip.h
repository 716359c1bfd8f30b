#pragma once

// The interface of the usage-logging client library "TessalyPIP" (libTessalyPIP.so), loaded at
// run time by name and reached through the six C functions below.
//
// Conventions:
// - Texts are NUL-terminated UTF-16 (the "W" functions); a NULL text is an empty one.
// - Every function but TessalyPIPGetLogHandle returns TPIP_OK or one of the TPIP_E_* codes.
// - Call order: TessalyPIPSetProductDisplayNameW and TessalyPIPEnableCrashDetection (both
//   optional), TessalyPIPInitializeW, then TessalyPIPGetLogHandle and
//   TessalyPIPDisplayOptInOutDialog as needed, TessalyPIPTerminate at the end.
// - Whether anything is recorded is the user's choice, the value "OptIn" (REG_DWORD) under
//   HKEY_CURRENT_USER\Software\Tessaly\CommonFiles\Usage\<product-line id>: with start mode 0
//   everything but 0 records, with any other mode only 1 does.
// - Records go to the per-user data folder, $XDG_DATA_HOME/tessaly/usage/<product-line id>/,
//   as JSON lines (see logsession.h).

#include "components/pip/logsession.h"

#include <cstdint>

#if defined(TESSALY_PIP_BUILDING)
#define TESSALY_PIP_EXPORT __attribute__((visibility("default")))
#else
#define TESSALY_PIP_EXPORT
#endif

extern "C" {

enum TPIPStatus : int32_t {
    TPIP_OK = 0,
    // TessalyPIPDisplayOptInOutDialog: the user closed the dialog without a choice.
    TPIP_CANCELLED = 1,
    TPIP_E_NOT_INITIALIZED = -1,
    TPIP_E_ALREADY_INITIALIZED = -2,
    TPIP_E_INVALID_ARGUMENT = -3,
    // The record folder could not be made or written.
    TPIP_E_STORAGE = -4,
    // No widget application runs in the process, or the dialog could not be loaded.
    TPIP_E_NO_GUI = -5,
};

// Starts a usage-logging session of one product. startMode is kept (see above); reserved is 0;
// libraryFolder may be NULL. productLineId names the opt-in key and the record folder and must
// not be empty.
TESSALY_PIP_EXPORT int32_t TessalyPIPInitializeW(
    const char16_t *product, const char16_t *productCode, const char16_t *majorVersion,
    const char16_t *fullVersion, const char16_t *locale, int32_t startMode, int32_t reserved,
    const char16_t *libraryFolder, const char16_t *productLineId);
// The names the opt-in dialog shows for the products taking part: listMode 0 replaces the list,
// 1 adds to it. count is the number of entries of names.
TESSALY_PIP_EXPORT int32_t TessalyPIPSetProductDisplayNameW(const char16_t *const *names,
                                                            int32_t count, int32_t listMode);
// Ends the session: the record files are complete when this returns.
TESSALY_PIP_EXPORT int32_t TessalyPIPTerminate(void);
// The session's LogSession handle while the user's choice allows recording, else NULL.
TESSALY_PIP_EXPORT UTLogHandle TessalyPIPGetLogHandle(void);
// Shows the opt-in/out dialog (modal, on the widget application's GUI thread) and writes the
// choice to "OptIn". TPIP_OK when a choice was written, TPIP_CANCELLED when none was made.
TESSALY_PIP_EXPORT int32_t TessalyPIPDisplayOptInOutDialog(void);
// With a non-zero flag, a session that ended without TessalyPIPTerminate (a crash) is recorded
// by the next TessalyPIPInitializeW of the same product line. Call before initialising.
TESSALY_PIP_EXPORT int32_t TessalyPIPEnableCrashDetection(int32_t enable);

typedef int32_t (*TessalyPIPInitializeWFn)(const char16_t *, const char16_t *, const char16_t *,
                                           const char16_t *, const char16_t *, int32_t, int32_t,
                                           const char16_t *, const char16_t *);
typedef int32_t (*TessalyPIPSetProductDisplayNameWFn)(const char16_t *const *, int32_t, int32_t);
typedef int32_t (*TessalyPIPTerminateFn)(void);
typedef UTLogHandle (*TessalyPIPGetLogHandleFn)(void);
typedef int32_t (*TessalyPIPDisplayOptInOutDialogFn)(void);
typedef int32_t (*TessalyPIPEnableCrashDetectionFn)(int32_t);

} // extern "C"
