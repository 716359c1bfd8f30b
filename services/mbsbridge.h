#pragma once

#include "services/mbscontentmgr.h"

#include <QLibrary>
#include <QString>

// The launcher's side of the membership-services library "mbs" (libmbs.so), loaded at run time
// from the launcher's folder when present. A missing library, entry point or failing entry call
// is an ordinary outcome: the content manager is not used and the client id is empty.
//
// For the Welcome Screen's "setClientId":
//
//     const QString id = MbsBridge::movieClientId();   // never empty
//
// The library stays loaded once an interface was obtained from it.
class MbsBridge
{
public:
    // The id the movie gets when the library has none: a lower-case GUID without braces.
    static QString builtInClientId();
    // "<launcher's folder>/mbs", which QLibrary resolves to libmbs.so.
    static QString defaultLibraryFile();

    // libraryFile empty: defaultLibraryFile().
    explicit MbsBridge(const QString &libraryFile = QString());
    ~MbsBridge();
    MbsBridge(const MbsBridge &) = delete;
    MbsBridge &operator=(const MbsBridge &) = delete;

    // Content-manager start-up: obtains the manager through "GetMBSContentMgrInterface" and
    // tells it the product "pxo" (slot 12), localeCode in lower case (slot 13) and the major
    // version as "%d.0" (slot 14). The manager with one reference for the caller, or null (the
    // library is then unloaded again).
    MBS::ContentMgr *startContentManager(const QString &localeCode);

    // Content-manager shut-down: a fresh acquisition, its slot 15, and the release. The library
    // is not unloaded here.
    void shutDownContentManager();

    // The client id of "GetMBSLibraryInterface2" (version 1, slot 6); empty when the library,
    // its entry point or the call fails.
    QString clientId();

    // clientId() of the library at libraryFile, or builtInClientId() when that is empty.
    static QString movieClientId(const QString &libraryFile = QString());

    // The product version text handed to the manager ("11.0").
    static QString productVersionText();

private:
    QFunctionPointer resolve(const char *name);

    QLibrary m_library;
};
