#pragma once

#include <QLoggingCategory>

// Diagnostics of our membership-services library.
Q_DECLARE_LOGGING_CATEGORY(lcMbsComponent)
