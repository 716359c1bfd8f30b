// Entry point of every test executable. A process-wide TestEnvironment is in force before any
// test runs, so even a test that forgets its own never touches the real home folder.

#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

#ifdef TESSALY_GUI_TEST
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery at build time) needs no application, and a GUI
    // application could not start there without an X server.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    TestEnvironment environment;
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
