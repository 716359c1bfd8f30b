#pragma once

#include <QString>
#include <QStringList>

// Where the Welcome Screen's changing content lives and what the movies learn about it: the
// product data, pods and SWF folders, the pod shown last, the dynamic-content list handed to the
// container movie, and the player trust file that lets the movie player load from these folders.
//
// Every folder is absolute and ends with "/". The common data folder comes from
// Folders::commonAppData() (below the machine root), the user's from Folders::userAppData()
// (XDG); the locale code is the launcher's current one. GUI thread only.
class PodContent
{
public:
    // <common data>/Tessaly/Pixtrel Orvana/11.0/
    static QString productDataFolder();
    // productDataFolder() + "Locale/<code>/Welcome Screen Pods/": pod descriptions, their movies
    // and the download manifest.
    static QString podsFolder();
    // With the membership flag set: productDataFolder() + "Locale/<code>/Application SWFs/";
    // with it cleared: productDataFolder() + "Application SWFs/".
    static QString swfFolder();

    // The process-wide membership flag, true at start; the Welcome widget clears it.
    static bool membershipEnabled();
    static void setMembershipEnabled(bool enabled);

    // "LastDynamicPodFileName" under HKCU "software\tessaly\Tidings" (empty when never set).
    static QString lastShownPodFileName();
    static void setLastShownPodFileName(const QString &podFileName);

    // The names (no path) of the entries of podsFolder() matching "*.xml" in any letter case,
    // files and folders alike, sorted by name without regard to case. Empty for a missing or
    // empty folder.
    static QStringList podFileNames();

    // The one-line dynamic-content description for "WelcomScreenHost_setDynamicContentFileList":
    // application name, pods folder, the pod shown last and podFileNames(). "&", "<" and ">" in
    // the folder and the names are written as entities; ordinary names appear unchanged.
    static QString dynamicContentXml();

    // <user data>/Halvex/Glint Player/#Security/GlintPlayerTrust/<code>_pxo_pod_player11.cfg
    static QString playerTrustFilePath();
    // Lets the movie player load from the pods folder and the launcher's own movie folders:
    // writes the trust file once (an existing one is never rewritten, even when the folders have
    // moved since) and tells this process's player which folders are the launcher's own.
    // Returns whether a trust file is in place afterwards.
    static bool writePlayerTrustFile();

    // The launcher's own movie folders, below the assets folder: "Required/" and
    // "Locales/<code>/application_swfs/".
    static QStringList launcherMovieFolders();

private:
    static QString localeCode();
};
