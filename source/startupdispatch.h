#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What start-up hands a sub-application: the start-up choice (0 Welcome Screen, 1 Organizer,
// 2 Editor) and the files of the command line decide the target and its script.
//
//   1, files     Organizer  <file array>import_files(a);
//   1, no files  Organizer  open('organizeTab', 'requestFromWS');
//   2            Editor     <file array>new_file('quick',a);
//   0, files     Editor     <file array>new_file('quick',a);
//   otherwise    nothing
//
// The file array is "var a = new Array ('/a/x.jpg','/b/y.png');". Each path is a quoted script
// string: a backslash, a quote or a line break in a file name is escaped, so the name reaches
// the sub-application as it is and never becomes script of its own.
class StartupDispatch
{
public:
    enum class Target { None, Organizer, Editor };

    struct Plan
    {
        Target target = Target::None;
        QString script;
    };

    static Plan plan(int startupApplication, const QStringList &files);
    static QString fileArrayScript(const QStringList &files);
    // `text` as the inside of a single-quoted script string.
    static QString escapeForSingleQuotes(const QString &text);

    using Send = std::function<void(const QString &script)>;

    // Sends the plan's script with the sender of its target and sets the sub-launch flag once
    // the script was handed over. A send that throws leaves the flag alone, so the Welcome
    // Screen opens; the display name of that application is returned (empty when none failed).
    static QString run(const Plan &plan, const Send &toOrganizer, const Send &toEditor);
    // The names the could-not-launch message shows.
    static QString organizerName();
    static QString editorName();
};
