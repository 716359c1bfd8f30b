#pragma once

#include <QLoggingCategory>

// The launcher's diagnostics ("tessaly.launcher"); switched on with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcLauncher)
