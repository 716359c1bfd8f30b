#include "platform/registry/registrylog.h"

Q_LOGGING_CATEGORY(lcRegistry, "tessaly.platform.registry", QtWarningMsg)
