#pragma once

#include <QByteArray>
#include <QStringList>

// The commands of tessaly-reg, separated from main() so they can be driven with any arguments
// and output buffers:
//   query KEY [--value NAME]
//   set KEY [--value NAME [--type sz|expand_sz|multi_sz|dword|qword|binary] [--data DATA]]
//   delete KEY [--value NAME]
//   import FILE.reg
//   export KEY FILE.reg        (FILE "-" writes to standard output)
// KEY is a full path such as HKCU\Software\Tessaly\IAC (HKCU, HKLM, HKCR or the long names).
// An empty NAME, "@" or "Default" (any case) is the unnamed value, as for PtSettings.
class RegTool
{
public:
    enum Exit { Success = 0, Failure = 1, Usage = 2 };

    // Runs one command; what it prints goes to out and err (UTF-8).
    int run(const QStringList &arguments);

    const QByteArray &out() const { return m_out; }
    const QByteArray &err() const { return m_err; }

private:
    int query(const QStringList &args);
    int set(const QStringList &args);
    int remove(const QStringList &args);
    int import(const QStringList &args);
    int exportKey(const QStringList &args);

    int fail(const QString &message, int code = Failure);
    void print(const QString &text);

    QByteArray m_out;
    QByteArray m_err;
};
