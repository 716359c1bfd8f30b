#pragma once

namespace Kernova {

class FileSpec;

// Special folders by kind: 1 the program's folder (start-up), 2 the package folder, 6 and 11 the
// common data folder, 7 the user's data folder, 8 the common files folder.
class FileUtils
{
public:
    static constexpr int kStartup = 1;
    static constexpr int kPackage = 2;
    static constexpr int kAllData = 6;
    static constexpr int kUserData = 7;
    static constexpr int kCommonFiles = 8;
    static constexpr int kCommonData = 11;

    // 0 on success; -1 for an unknown kind.
    static int getSpecialDir(int kind, FileSpec &folder);
};

} // namespace Kernova
