#include "tools/caps-tool/capstool.h"

#include <cstdio>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    CapsTool tool;
    const int code = tool.run(arguments);
    std::fwrite(tool.out().constData(), 1, size_t(tool.out().size()), stdout);
    std::fwrite(tool.err().constData(), 1, size_t(tool.err().size()), stderr);
    return code;
}
