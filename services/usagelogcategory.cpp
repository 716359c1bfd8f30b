#include "services/usagelogcategory.h"

Q_LOGGING_CATEGORY(lcUsage, "tessaly.services.usage", QtWarningMsg)
