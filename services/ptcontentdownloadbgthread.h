#pragma once

#include "services/mbscontentmgr.h"
#include "services/ptcontentmanifest.h"

#include <QMutex>
#include <QString>
#include <QThread>

#include <cstdint>

// Brings a pods folder up to date with the content the membership-services library offers, in
// one background pass, and keeps the folder's "manifest.txt". The Welcome widget starts it at
// the end of its construction and keeps no pointer to it:
//
//     auto *thread = new PtContentDownloadBgThread(LauncherContext::application(),
//                                                  PodContent::podsFolder(),
//                                                  PodContent::swfFolder());
//     thread->setLocaleCode(PodContent::localeCode()); // optional: else LocaleUtil's code
//     thread->start(QThread::InheritPriority);
//
// The pods folder is the widget's own (".../Locale/<code>/Welcome Screen Pods/"); the
// application object owns the thread and destroys it at shut-down, which is when manifests the
// pass did not write are flushed. A missing library or content manager makes the pass do
// nothing. Destroying the thread while its pass still runs cancels the running download and
// waits for the pass to end first.
//
// The pass touches only the file system and the content manager; it shares nothing with the
// GUI thread, which meets it only through the pods folder.
class PtContentDownloadBgThread : public QThread
{
public:
    // applicationSwfFolder: the "Application SWFs" folder whose manifest the destruction writes
    // when it has entries (empty: none). The locale code handed to the content manager is the
    // launcher's current one (LocaleUtil, read here on the constructing thread) unless
    // setLocaleCode() says otherwise.
    PtContentDownloadBgThread(QObject *parent, const QString &podsFolder,
                              const QString &applicationSwfFolder = QString());
    ~PtContentDownloadBgThread() override;

    // Before start(): the membership-services library to load (default: libmbs.so in the
    // launcher's folder) and the locale code.
    void setLibraryFile(const QString &libraryFile) { m_libraryFile = libraryFile; }
    void setLocaleCode(const QString &localeCode) { m_localeCode = localeCode; }

    // The scratch folder downloads go to: QDir::tempPath() + "/WelcomeScreen/".
    static QString scratchFolder();

protected:
    void run() override;

private:
    // One kind of content into folder, with its manifest.
    void synchronise(uint32_t kind, const QString &folder, PtContentManifest::Map &manifest);
    // The scratch folder of this pass, emptied and made private, or empty when none could be
    // had.
    QString prepareScratch();

    PtContentManifest::Map m_podsManifest;
    PtContentManifest::Map m_applicationMoviesManifest;
    bool m_applicationMoviesManifestWritten = false;
    bool m_podsManifestWritten = false;
    MBS::ContentMgr *m_contentMgr = nullptr; // guarded by m_contentMgrLock

    QMutex m_contentMgrLock;
    QString m_podsFolder;
    QString m_applicationSwfFolder;
    QString m_libraryFile;
    QString m_localeCode;
};
