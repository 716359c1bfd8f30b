#include "source/launcherlog.h"

Q_LOGGING_CATEGORY(lcLauncher, "tessaly.launcher", QtWarningMsg)
