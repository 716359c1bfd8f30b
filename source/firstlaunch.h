#pragma once

// The work done once per machine, the first time a launcher starts there: the product's
// file-monitor service is enabled and started, and the machine hive remembers that it ran.
class FirstLaunch
{
public:
    // Runs the work unless the machine hive says it already ran. Returns true when it ran.
    static bool runIfNeeded();

    static const char *serviceUnit();
};
