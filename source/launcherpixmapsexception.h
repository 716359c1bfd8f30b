#pragma once

#include <QString>

#include <exception>
#include <string>

// Thrown by the launcher image store when a chrome image or window mask cannot be loaded.
class LauncherPixmapsException : public std::exception
{
public:
    explicit LauncherPixmapsException(QString message);

    QString message() const { return m_message; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    QString m_message;
    std::string m_what;
};
