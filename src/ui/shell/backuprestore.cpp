#include "ui/shell/backuprestore.h"

#include "ui/shell/mainwindow.h"

#include "core/platform/clock.h"
#include "core/services/storecopyservice.h"
#include "core/store/storeopening.h"
#include "ui/platform/appcontext.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <memory>

void BackupRestore::sayOutcome(const StoreCopyOutcome &outcome)
{
    m_menu.say(outcome.notice.text, outcome.notice.title, outcome.notice.icon, MsgButtons::Ok, MsgAnswer::Ok);
}

QString BackupRestore::chooseBackupTarget()
{
    const QString working = workingStorePath(m_context.dataDir());
    const QString title = QStringLiteral("選擇要備份的資料檔");
    for (;;) {
        // Today's copy, where the last one of this run went: a row of dated backups, none
        // overwriting another day's.
        const QString folder = m_context.backupFolder().isEmpty() ? QDir::homePath() : m_context.backupFolder();
        const QString offered = QDir(folder).filePath(datedBackupName(working, m_context.clock().today()));
        QString path = m_context.dialogs().saveFile(&m_menu, title, QStringLiteral("目的資料 (*.mdb)"),
                                                    QStringLiteral("目的資料 (*.mdb)"), offered, false);
        if (path.isEmpty())
            return {};
        // A name typed without its type gets the one the filter shows.
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".mdb");
        m_context.setBackupFolder(QFileInfo(path).absolutePath());
        if (const StoreCopyOutcome refused = checkBackupTarget(working, path); !refused.ok()) {
            sayOutcome(refused);
            continue;
        }
        if (QFileInfo::exists(path)
            || m_menu.say(displayPath(path) + QStringLiteral("\n此檔案不存在。\n要建立檔案嗎?"), title, MsgIcon::Exclamation,
                          MsgButtons::YesNo, MsgAnswer::Yes)
                   == MsgAnswer::Yes)
            return path;
    }
}

void BackupRestore::backup()
{
    const QString target = chooseBackupTarget();
    if (target.isEmpty())
        return;
    StoreCopyOutcome done;
    const bool back = reload([&] {
        done = backupStore(workingStorePath(m_context.dataDir()), target);
        // The menu is closed meanwhile: the message stands alone.
        if (!done.ok())
            tell(m_context.dialogs(), nullptr, done.notice);
    });
    // Where the copy went is told over the menu once it is back, after what the menu
    // itself has to say on coming back.
    if (back && done.ok()) {
        m_context.setBackedUpLines(done.lines);
        m_menu.RefreshMenu();
        sayOutcome(done);
    }
}

void BackupRestore::restore()
{
    const QString working = workingStorePath(m_context.dataDir());
    std::unique_ptr<StoreRestore> run;
    do {
        if (m_menu.say(QStringLiteral("警告!!\n      回存資料來源,不正確時會造成無法挽回的錯誤\n"
                                      "      回存資料後,原本資料會被覆蓋,無法提供使用查詢\n請問是否還要執行"),
                       QStringLiteral("警告!!回存資料"), MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No)
            != MsgAnswer::Yes)
            return;
        const QString source = m_context.dialogs().openFile(&m_menu, QStringLiteral("選擇要回存的資料檔"),
                                                            QStringLiteral("來源資料 (*.mdb)"), QDir::homePath());
        if (source.isEmpty())
            return;
        run = std::make_unique<StoreRestore>(working, source);
        if (!run->checked().ok())
            sayOutcome(run->checked());
    } while (run->checked().result == StoreCopyOutcome::Result::SameAsStore);
    if (!run->checked().ok())
        return;
    if (m_menu.say(QStringLiteral(" 確定開始匯入資料?\n"), QStringLiteral("匯入資料"), MsgIcon::Exclamation, MsgButtons::YesNo,
                   MsgAnswer::Yes)
        == MsgAnswer::Yes) {
        const StoreCopyOutcome done = run->copyInto(m_context.working());
        // A restore that failed leaves the store and the windows as they were.
        if (!done.ok()) {
            sayOutcome(done);
            return;
        }
        m_menu.RefreshMenu();
        sayOutcome(done);
    }
    reload({});
}

bool BackupRestore::reload(const std::function<void()> &whileClosed)
{
    m_menu.setReloading(true);
    m_menu.unloadWindows();
    m_menu.close();
    m_menu.setReloading(false);
    m_context.closeStores();
    if (whileClosed)
        whileClosed();
    // A store that can no longer be opened ends the program as it would at start-up.
    if (!m_menu.load()) {
        QApplication::quit();
        return false;
    }
    m_menu.show();
    return true;
}
