#pragma once

#include "core/store/store.h"

#include <QString>

#include <memory>

class Clock;
class Dialogs;
class Printer;

// The application-wide values, as the windows leave them. A window hands its result to
// its opener typed (a lookup's pick, the remitter window's stored()); DataReturn and
// LookupCaller only mirror it, and no window decides anything by reading them back.
struct AppValues {
    QString DataReturn;   // "0" nothing, "5" remitter profile stored, or a picked code
    int LookupCaller = 0; // 5 while the remitter profile has the institution lookup open
    int ListOrder = 0;    // the line order last chosen: 1 by payee code, 2 input order
};

// What every window needs from the program: its data folder, the seams, the open stores
// and the application-wide values. Owned by the shell.
class AppContext {
public:
    AppContext(QString dataDir, Dialogs &dialogs, Clock &clock, Printer &printer);
    ~AppContext();

    // Where the data files, the generation log and the lock live.
    const QString &dataDir() const { return m_dataDir; }
    Dialogs &dialogs() const { return m_dialogs; }
    const Clock &clock() const { return m_clock; }
    Printer &printer() const { return m_printer; }
    AppValues &values() { return m_values; }

    // The folder the last backup of this run was aimed at; empty before the first.
    const QString &backupFolder() const { return m_backupFolder; }
    void setBackupFolder(const QString &folder) { m_backupFolder = folder; }
    // The fingerprint of the lines the last backup of this run holds; empty before the first.
    const QByteArray &backedUpLines() const { return m_backedUpLines; }
    void setBackedUpLines(const QByteArray &lines) { m_backedUpLines = lines; }

    Store *working() const { return m_working.get(); }
    void setWorking(std::unique_ptr<Store> store) { m_working = std::move(store); }
    // Closes both stores, for copying the working file or reopening it.
    void closeStores();

    // The reference store, opened when first needed; nullptr while it is missing or
    // unusable (referenceProblemText() then says why). A later call tries again.
    Store *reference();
    // What to tell the user when the reference store is not available.
    QString referenceProblemText() const;

private:
    QString m_dataDir;
    Dialogs &m_dialogs;
    Clock &m_clock;
    Printer &m_printer;
    AppValues m_values;
    QString m_backupFolder;
    QByteArray m_backedUpLines;
    std::unique_ptr<Store> m_working;
    std::unique_ptr<Store> m_reference;
    StoreResult m_referenceProblem;
};
