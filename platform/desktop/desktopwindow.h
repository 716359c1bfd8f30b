#pragma once

#include <QString>
#include <QtGlobal>

// One top-level window of the user's desktop as the window search sees it.
struct DesktopWindow
{
    quint32 id = 0;
    QString title;            // _NET_WM_NAME, else WM_NAME
    QString instanceName;     // first part of WM_CLASS
    QString className;        // second part of WM_CLASS: what the window-class test compares
    quint32 transientFor = 0; // WM_TRANSIENT_FOR: the window this one is a pop-up of
    qint64 pid = 0;           // _NET_WM_PID, 0 when not set
    bool iconic = false;      // minimised (WM_STATE Iconic or _NET_WM_STATE_HIDDEN)
};
