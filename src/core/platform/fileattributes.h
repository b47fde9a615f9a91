#pragma once

#include <QString>

// File attributes as numbers: read-only 1, hidden 2, system 4, directory 16, archive 32.
namespace FileAttributes {

enum : int {
    ReadOnly = 1,   // the owner may not write the file
    Hidden = 2,     // a dot name
    System = 4,     // not used on this platform
    Directory = 16,
    Archive = 32,   // an ordinary file
    Special = 64,   // a device, pipe or socket: nothing a data file can be
};

// The attribute value of an existing path; 0 when it does not exist.
int of(const QString &path);

// Makes the file an ordinary writable file again (gives the owner write permission back).
bool setArchiveOnly(const QString &path);

} // namespace FileAttributes
