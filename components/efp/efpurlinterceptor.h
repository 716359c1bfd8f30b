#pragma once

#include <QHash>
#include <QQmlAbstractUrlInterceptor>
#include <QUrl>

class EFPStagePlayer;

// Asks the host first for every web resource a movie loads (images, scripts through
// XMLHttpRequest): what the host serves is handed to the movie as the resource's content; what
// it does not serve is loaded from the web as usual.
class EFPUrlInterceptor : public QQmlAbstractUrlInterceptor
{
public:
    explicit EFPUrlInterceptor(EFPStagePlayer *player);

    QUrl intercept(const QUrl &url, DataType type) override;
    // Forgets the answers, so a new movie asks again.
    void forget() { m_answers.clear(); }

private:
    EFPStagePlayer *m_player;
    // The host is asked once per address; Qt resolves a resource's address more than once.
    QHash<QUrl, QUrl> m_answers;
};
