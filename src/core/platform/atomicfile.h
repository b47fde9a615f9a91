#pragma once

#include <QByteArray>
#include <QString>

// A file that replaces its target whole or not at all. It is written beside the target
// under the name "<target name>.talvek-XXXXXX", pushed to the disk, renamed over the
// target, and the folder is pushed to the disk too. A link as target is followed to the
// end of its chain: the file it names is replaced and the links stay. A copy left beside the target by a
// program killed before its rename goes with the next successful replacement there.
class PendingFile {
public:
    explicit PendingFile(const QString &target);
    ~PendingFile(); // discards the temporary file unless committed
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    // A file that did not exist yet gets the permissions of this one (by default those
    // of any new file).
    void setNewFileModeFrom(const QString &path) { m_modeFrom = path; }
    // Makes the empty temporary file; false and `reason` when the target's folder cannot
    // take it.
    bool open(QString *reason);
    // The temporary file, for writers that open it by name.
    const QString &path() const { return m_temp; }
    // Appends bytes to the temporary file.
    bool write(const QByteArray &bytes, QString *reason);
    // Puts the temporary file in the target's place; on failure the target is as it was.
    bool commit(QString *reason);

private:
    QString m_target;
    QString m_temp;
    QString m_modeFrom;
    int m_fd = -1;
    bool m_committed = false;
};

// Writes the whole file or nothing through a PendingFile. On failure the target is as
// it was (absent, or the old file) and `reason` says why.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *reason = nullptr);

// An operating-system error in words for the user; a full disk and a size limit are
// named as such.
QString systemReason(int error);
