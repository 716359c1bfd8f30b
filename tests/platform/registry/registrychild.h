#pragma once

#include <QProcess>
#include <QStringList>

#include <memory>

// Runs this test executable again as a second process that works on the current test's hives:
// the child's own test environment is pointed at the parent's machine root and config home.
// The child waits for a line on its standard input before it starts, so several children can
// be released at the same moment; it prints "result=<n>" for what the parent checks.
namespace RegistryChild {

// Optionally as the user "nobody" (when the tests run as root, so file permissions apply).
std::unique_ptr<QProcess> start(const QStringList &command, bool asNobody = false);
// Releases a started child.
void go(QProcess &child);
// Waits for the end of the child and returns the number it printed after "result=" (-1 when it
// printed none or did not end in time).
int result(QProcess &child);

bool runningAsRoot();

} // namespace RegistryChild
