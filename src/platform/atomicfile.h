#pragma once

#include <QByteArray>
#include <QString>

// Writes the whole file or nothing: the bytes go to a temporary file beside the target,
// which replaces the target only when every byte reached the disk. On failure the
// target is as it was (absent, or the old file) and `error` says why.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);
