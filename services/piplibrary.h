#pragma once

#include "components/pip/tessalypip.h"

#include <QLibrary>
#include <QString>

// The usage-logging library "TessalyPIP" loaded at run time with its six entry points. It is
// looked for as libTessalyPIP.so in the given folder (the executable's folder when none is
// given), and once more in the executable's folder when that fails.
class PipLibrary
{
public:
    PipLibrary() = default;
    ~PipLibrary();
    PipLibrary(const PipLibrary &) = delete;
    PipLibrary &operator=(const PipLibrary &) = delete;

    // True when the library was loaded and all six entry points found; otherwise nothing stays
    // loaded and errorString() says why.
    bool load(const QString &folder);
    void unload();
    bool isLoaded() const { return m_loaded; }
    QString errorString() const { return m_error; }
    // The file the library was loaded from.
    QString fileName() const { return m_library.fileName(); }

    // The folder of the running program (from /proc/self/exe), without a trailing '/'.
    static QString executableFolder();
    // folder without its trailing '/' characters, plus "/libTessalyPIP.so".
    static QString libraryPath(const QString &folder);

    TessalyPIPInitializeWFn initialize = nullptr;
    TessalyPIPSetProductDisplayNameWFn setProductDisplayName = nullptr;
    TessalyPIPTerminateFn terminate = nullptr;
    TessalyPIPGetLogHandleFn getLogHandle = nullptr;
    TessalyPIPDisplayOptInOutDialogFn displayOptInOutDialog = nullptr;
    TessalyPIPEnableCrashDetectionFn enableCrashDetection = nullptr;

private:
    bool tryLoad(const QString &folder);
    bool resolveAll();

    QLibrary m_library;
    bool m_loaded = false;
    QString m_error;
};
