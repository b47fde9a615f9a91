#pragma once

#include <QString>

#include <functional>

class AppContext;
class MainWindow;
struct StoreCopyOutcome;

// The menu's backup and restore of the working store: the file dialogs with their
// refusals, the questions, the outcome told, and the windows reloaded over the store.
class BackupRestore {
public:
    BackupRestore(MainWindow &menu, AppContext &context) : m_menu(menu), m_context(context) {}

    void backup();
    void restore();

private:
    QString chooseBackupTarget();
    void sayOutcome(const StoreCopyOutcome &outcome);
    // Closes every window and the stores, does `whileClosed`, and shows the menu again
    // as the program starts; false when the store no longer opens and the program ends.
    bool reload(const std::function<void()> &whileClosed);

    MainWindow &m_menu;
    AppContext &m_context;
};
