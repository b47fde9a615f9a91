#pragma once

#include <QByteArray>
#include <QString>

// Whether two paths name the same file: the same device and inode when both exist, else
// the same canonical path (links and "." / ".." resolved). A file system that ignores
// letter case shows the same inode for both spellings.
bool sameStoreFile(const QString &a, const QString &b);

// The first bytes of every database file.
QByteArray databaseFileMagic();

// Whether the file is a database (its first bytes say so), such as a backup of the store.
bool isDatabaseFile(const QString &path);
