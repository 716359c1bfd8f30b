#pragma once

#include <QLoggingCategory>

// Diagnostics of the membership-services bridge and the content download thread.
Q_DECLARE_LOGGING_CATEGORY(lcMbs)
