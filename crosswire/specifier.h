#pragma once

#include <QByteArray>

namespace KnObjects::Crosswire {

// The messaging name of an application endpoint: app, optionally "_" and an instance, "-" and a
// version, "-" and a locale, "#" and an endpoint suffix ("pxoorganizer-11.0",
// "pxolauncher_2-11.0-en_us#thread"). A specifier is valid when its text is not empty; a text of
// 256 characters or more gives an empty one.
class Specifier
{
public:
    static constexpr qsizetype kMaxLength = 256;

    Specifier() = default;
    // Splits `text`, lower-cased unless `keepCase`.
    explicit Specifier(const QByteArray &text, bool keepCase = false);

    bool isValid() const { return !m_text.isEmpty(); }
    // Whether Specifier(text).isValid() would hold, without taking the text apart.
    static bool isValidText(const QByteArray &text)
    {
        return !text.isEmpty() && text.size() < kMaxLength;
    }
    const QByteArray &text() const { return m_text; }
    const QByteArray &application() const { return m_application; }
    const QByteArray &instance() const { return m_instance; }
    const QByteArray &version() const { return m_version; }
    const QByteArray &locale() const { return m_locale; }
    const QByteArray &endpoint() const { return m_endpoint; }

    void setApplication(const QByteArray &value);
    void setInstance(const QByteArray &value);
    void setVersion(const QByteArray &value);
    void setLocale(const QByteArray &value);
    void setEndpoint(const QByteArray &value);

    // The messaging thread's endpoint of this application ("...#thread").
    Specifier threadEndpoint() const;
    // Without instance and endpoint suffix.
    Specifier base() const;

    bool operator==(const Specifier &other) const { return m_text == other.m_text; }

private:
    void rebuild();

    QByteArray m_text;
    QByteArray m_application;
    QByteArray m_instance;
    QByteArray m_version;
    QByteArray m_locale;
    QByteArray m_endpoint;
};

} // namespace KnObjects::Crosswire
