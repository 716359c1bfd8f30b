#pragma once

#include <QtGlobal>

// Registry roots, access masks, value types and error codes with their Win32 values, so code
// written against the Win32 registry reads the same here and the numbers mean what they meant
// there.

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine };
using HKEY = RegRoot;
inline constexpr HKEY HKEY_CLASSES_ROOT = RegRoot::ClassesRoot;
inline constexpr HKEY HKEY_CURRENT_USER = RegRoot::CurrentUser;
inline constexpr HKEY HKEY_LOCAL_MACHINE = RegRoot::LocalMachine;

using REGSAM = quint32;
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM REG_STANDARD_RIGHTS = 0x00020000; // READ_CONTROL
inline constexpr REGSAM KEY_READ =
    REG_STANDARD_RIGHTS | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY; // 0x20019
inline constexpr REGSAM KEY_WRITE = REG_STANDARD_RIGHTS | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
inline constexpr REGSAM KEY_EXECUTE = KEY_READ;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

using RegType = quint32;
inline constexpr RegType REG_NONE = 0;
inline constexpr RegType REG_SZ = 1;
inline constexpr RegType REG_EXPAND_SZ = 2;
inline constexpr RegType REG_BINARY = 3;
inline constexpr RegType REG_DWORD = 4;
inline constexpr RegType REG_DWORD_BIG_ENDIAN = 5;
inline constexpr RegType REG_LINK = 6;
inline constexpr RegType REG_MULTI_SZ = 7;
inline constexpr RegType REG_QWORD = 11;

using RegError = qint32;
inline constexpr RegError ERROR_SUCCESS = 0;
inline constexpr RegError ERROR_FILE_NOT_FOUND = 2;
inline constexpr RegError ERROR_ACCESS_DENIED = 5;
inline constexpr RegError ERROR_INVALID_HANDLE = 6;
inline constexpr RegError ERROR_INVALID_PARAMETER = 87;
inline constexpr RegError ERROR_MORE_DATA = 234;
inline constexpr RegError ERROR_BADDB = 1009;
inline constexpr RegError ERROR_CANTREAD = 1012;
inline constexpr RegError ERROR_CANTWRITE = 1013;
inline constexpr RegError ERROR_KEY_DELETED = 1018;
