// e2e_mutex_holder NAME...
// Takes every named mutex (waiting up to 5 s for each), prints "held" and keeps them until its
// standard input reaches its end or reads the line "release"; then it releases them and exits 0.
// Exits 2 when a mutex cannot be taken, 1 when one cannot be created.

#include "platform/namedmutex/namedmutex.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char **argv)
{
    std::vector<NamedMutex> held;
    for (int i = 1; i < argc; ++i) {
        const QString name = QString::fromUtf8(argv[i]);
        NamedMutex::Created created = NamedMutex::create(name);
        if (!created.ok()) {
            std::fprintf(stdout, "error %s\n", qPrintable(created.message));
            return 1;
        }
        const auto result = created.mutex->wait(std::chrono::seconds(5));
        if (result != NamedMutex::WaitResult::Acquired &&
            result != NamedMutex::WaitResult::Abandoned) {
            std::fprintf(stdout, "busy %s\n", argv[i]);
            return 2;
        }
        held.push_back(std::move(*created.mutex));
    }
    std::fprintf(stdout, "held\n");
    std::fflush(stdout);

    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strncmp(line, "release", 7) == 0)
            break;
    }
    for (NamedMutex &mutex : held)
        mutex.release();
    std::fprintf(stdout, "released\n");
    return 0;
}
