#include "ui/shell/mainwindow.h"

#include "ui/shell/aboutbox.h"
#include "ui/shell/logo.h"

#include "ui/entry/entrywindow.h"
#include "ui/exchange/importdialog.h"
#include "ui/master/institutionwindow.h"
#include "ui/master/payeewindow.h"
#include "ui/master/remitterwindow.h"
#include "ui/output/batchfilewindow.h"
#include "ui/output/listwindow.h"

#include "ui/platform/appcontext.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/storecopy.h"
#include "core/store/storefailure.h"
#include "core/store/storeopening.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kButtonCaptions[8] = {
    QStringLiteral("1. 匯款人資料建檔　　"),
    QStringLiteral("2. 收款人資料建檔　　"),
    QStringLiteral("3. 匯款資料輸入　　　"),
    QStringLiteral("4. 列印整批匯款明細　"),
    QStringLiteral("5. 產生整批匯款檔　　"),
    QStringLiteral("6. 產生另一批新的匯款"),
    QStringLiteral("7. 金融機購代碼檔維護"),
    QStringLiteral("8. 結束"),
};

} // namespace

MainWindow::MainWindow(AppContext &context, QWidget *parent) : QMainWindow(parent), m_context(context)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(applicationTitle());
    setWindowIcon(talvekLogo(64));
    // This window decides when the program ends: reloading closes it for a moment.
    QApplication::setQuitOnLastWindowClosed(false);
    buildMenu();
    buildContent();
}

MainWindow::~MainWindow()
{
    unloadEditingWindows();
}

void MainWindow::buildMenu()
{
    QMenu *system = menuBar()->addMenu(QStringLiteral("系統(&S)"));
    system->setObjectName(QStringLiteral("mnuSystem"));
    QAction *restore = system->addAction(QStringLiteral("回存資料"));
    restore->setObjectName(QStringLiteral("mnuRestore"));
    QAction *backup = system->addAction(QStringLiteral("備份資料"));
    backup->setObjectName(QStringLiteral("mnuBackup"));
    connect(restore, &QAction::triggered, this, [this] { m_gate.run([this] { restoreData(); }); });
    connect(backup, &QAction::triggered, this, [this] { m_gate.run([this] { backupData(); }); });
    system->addSeparator();
    QAction *exit = system->addAction(QStringLiteral("離開"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, this, [this] { m_gate.run([this] { exitProgram(); }); });

    QMenu *help = menuBar()->addMenu(QStringLiteral("說明(&H)"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction *doc = help->addAction(QStringLiteral("文件說明"));
    doc->setObjectName(QStringLiteral("mnuDoc"));
    doc->setEnabled(false);
    help->addSeparator();
    QAction *about = help->addAction(QStringLiteral("關於    Talvek(&A)"));
    about->setObjectName(QStringLiteral("mnuAbout"));
    connect(about, &QAction::triggered, this, [this] { m_gate.run([this] { showAbout(); }); });
}

void MainWindow::buildContent()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));

    auto *heading = new QLabel(QStringLiteral("Talvek       "), central);
    heading->setObjectName(QStringLiteral("Label1"));
    QFont headingFont = heading->font();
    headingFont.setPointSize(headingFont.pointSize() + 10);
    headingFont.setBold(true);
    heading->setFont(headingFont);

    auto *picture = new QLabel(central);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(talvekLogo(72));

    m_banner = new QLabel(central);
    m_banner->setObjectName(QStringLiteral("Label2"));
    QFont bannerFont = m_banner->font();
    bannerFont.setPointSize(bannerFont.pointSize() + 1);
    m_banner->setFont(bannerFont);
    m_banner->setMinimumHeight(m_banner->fontMetrics().lineSpacing() * 2 + 8);
    m_banner->setTextFormat(Qt::PlainText);
    m_banner->setTextInteractionFlags(Qt::TextSelectableByMouse);

    QFont buttonFont = font();
    buttonFont.setPointSize(buttonFont.pointSize() + 2);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(10);
    for (int i = 0; i < 8; ++i) {
        auto *b = new QPushButton(kButtonCaptions[i], central);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setFont(buttonFont);
        b->setMinimumHeight(44);
        b->setMinimumWidth(260);
        b->setStyleSheet(QStringLiteral("text-align: left; padding-left: 14px;"));
        b->setShortcut(QKeySequence(Qt::Key_1 + i));
        b->installEventFilter(this);
        const int number = i + 1;
        connect(b, &QPushButton::clicked, this, [this, number] { m_gate.run([this, number] { onButton(number); }); });
        grid->addWidget(b, i % 4, i / 4);
        m_buttons[i] = b;
    }

    auto *top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(12);
    top->addWidget(heading);
    top->addStretch();
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(24, 16, 24, 24);
    layout->addLayout(top);
    layout->addWidget(m_banner);
    layout->addSpacing(8);
    layout->addLayout(grid);
    setCentralWidget(central);
    resize(sizeHint().expandedTo(QSize(680, 500)));
}

bool MainWindow::load()
{
    WorkingStoreOpening opening = openWorkingStore(m_context.programDir());
    const QString path = displayPath(workingStorePath(m_context.programDir()));
    Dialogs &dialogs = m_context.dialogs();
    switch (opening.failure) {
    case WorkingStoreOpening::Failure::None:
        m_context.setWorking(std::move(opening.store));
        return true;
    case WorkingStoreOpening::Failure::Missing:
        dialogs.critical(nullptr, QStringLiteral("找不到資料庫,資料遺失") + QLatin1Char('\n') + path, applicationTitle());
        return false;
    case WorkingStoreOpening::Failure::Attributes:
        break;
    case WorkingStoreOpening::Failure::ReadOnly:
        dialogs.critical(nullptr, QStringLiteral("資料庫唯讀,資料遺失") + QLatin1Char('\n') + path, applicationTitle());
        return false;
    case WorkingStoreOpening::Failure::Other:
        // The code first, as the bank's support staff ask for it; then what it means.
        dialogs.inform(nullptr, QString::number(opening.result.code()) + QLatin1Char('\n') + opening.result.detail);
        break;
    }
    dialogs.message(nullptr, QStringLiteral("資料庫開啟出錯"), QStringLiteral("程式即將關閉  !!"), MsgIcon::None,
                    MsgButtons::Ok, MsgAnswer::Ok);
    return false;
}

MsgAnswer MainWindow::say(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons,
                          MsgAnswer defaultButton)
{
    const bool outer = !m_inOwnMessage;
    m_inOwnMessage = true;
    const MsgAnswer answer = m_context.dialogs().message(this, text, title, icon, buttons, defaultButton);
    if (outer)
        m_inOwnMessage = false;
    return answer;
}

void MainWindow::sayStoreFailure(const StoreResult &result)
{
    const Notice notice = storeFailureNotice(result, workingStorePath(m_context.programDir()));
    say(notice.text, applicationTitle(), notice.icon, MsgButtons::Ok, MsgAnswer::Ok);
}

void MainWindow::RefreshMenu()
{
    m_fresh = true;
    Store *store = m_context.working();
    if (!store)
        return;
    // A store that cannot be read says so: it is not "no remitter" nor "no lines".
    StoreResult read;
    const auto remitter = store->select(Query::table(Table::R_BASE), &read);
    if (!read.ok()) {
        for (int n : {3, 4, 5, 6})
            button(n)->setEnabled(false);
        sayStoreFailure(read);
        return;
    }
    if (remitter->isEmpty()) {
        for (int n : {3, 4, 5, 6})
            button(n)->setEnabled(false);
        say(QStringLiteral("無匯款人資料，請先建檔。"), applicationTitle(), MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok);
        return;
    }
    for (int n : {3, 4, 5, 6})
        button(n)->setEnabled(true);
    const QString branch = remitter->field(RBase::BRNO);
    const QString code = HomeBankCode(branch);
    const QString check = code.mid(3 + branch.size());
    const QString label = InstNameLabel(m_context.reference(), code);
    m_banner->setText(QStringLiteral("匯款行： 952-") + branch + QLatin1Char('-') + check + label + QStringLiteral("      ")
                      + QLatin1Char('\n') + QStringLiteral("匯款人： ") + remitter->field(RBase::RMTNAME));

    const bool hasLines = store->hasRows(Table::R_DETL, &read);
    for (int n : {4, 5, 6})
        button(n)->setEnabled(hasLines);
    if (!read.ok())
        sayStoreFailure(read);
}

QString MainWindow::bannerText() const
{
    return m_banner->text();
}

void MainWindow::onButton(int number)
{
    switch (number) {
    case 1: {
        if (QDialog *w = windowFor(1))
            openWindow(w);
        bool isNumber = false;
        const int returned = TrimBlanks(m_context.values().DataReturn).toInt(&isNumber);
        if (isNumber && returned == 5)
            RefreshMenu();
        break;
    }
    case 2:
    case 3:
    case 7:
        if (QDialog *w = windowFor(number))
            openWindow(w);
        break;
    case 4:
        openLinesWindow(4, QStringLiteral("無匯款資料,請建置匯款 "));
        break;
    case 5:
        openLinesWindow(5, QStringLiteral("無匯款資料,請建置匯款 Data"));
        break;
    case 6:
        newBatch();
        break;
    case 8:
        exitProgram();
        break;
    default:
        break;
    }
    // Back from another window: this window is active again, whether or not the window
    // system says so (without a window manager it may not).
    if (!m_fresh)
        RefreshMenu();
}

void MainWindow::openWindow(QDialog *window)
{
    m_fresh = false;
    window->exec();
    // An editing window ended by its close box is made afresh next time.
    auto *editing = qobject_cast<EditingWindow *>(window);
    if (editing && editing->ended()) {
        for (QPointer<QDialog> &slot : m_windows) {
            if (slot == window)
                slot = nullptr;
        }
        delete editing;
    }
}

void MainWindow::openLinesWindow(int number, const QString &noLinesMessage)
{
    Store *store = m_context.working();
    StoreResult read = StoreResult::other(-1, QStringLiteral("資料庫未開啟"));
    if (!store || !store->hasRows(Table::R_DETL, &read)) {
        if (read.ok()) {
            say(noLinesMessage, applicationTitle(), MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok);
        } else {
            sayStoreFailure(read);
        }
        return;
    }
    if (QDialog *w = windowFor(number))
        openWindow(w);
}

QDialog *MainWindow::windowFor(int number)
{
    // The editing windows (2, 3, 7) are kept between openings; the others are made anew.
    QPointer<QDialog> &slot = m_windows[number - 1];
    // A window still open is never replaced under its own feet.
    if (slot && slot->isVisible())
        return nullptr;
    if (slot && (number == 2 || number == 3 || number == 7))
        return slot;
    delete slot.data();
    switch (number) {
    case 1:
        slot = new RemitterWindow(m_context, this);
        break;
    case 2:
        slot = new PayeeWindow(m_context, this);
        addExchangeCommands(static_cast<EditingWindow *>(slot.data()), m_context, ImportKind::Payees);
        break;
    case 3:
        slot = new EntryWindow(m_context, this);
        addExchangeCommands(static_cast<EditingWindow *>(slot.data()), m_context, ImportKind::Lines);
        break;
    case 4:
        slot = new ListWindow(m_context, this);
        break;
    case 5:
        slot = new BatchFileWindow(m_context, this);
        break;
    case 7:
        slot = new InstitutionWindow(m_context, this);
        addExchangeCommands(static_cast<EditingWindow *>(slot.data()), m_context, ImportKind::Institutions);
        break;
    default:
        // Windows not built yet open nothing.
        slot = nullptr;
        break;
    }
    return slot;
}

void MainWindow::unloadEditingWindows()
{
    for (int number : {2, 3, 7}) {
        QPointer<QDialog> &slot = m_windows[number - 1];
        delete slot.data();
        slot = nullptr;
    }
}

void MainWindow::reloadWindows(const std::function<void()> &whileClosed)
{
    setReloading(true);
    for (QPointer<QDialog> &slot : m_windows) {
        delete slot.data();
        slot = nullptr;
    }
    close();
    setReloading(false);
    m_context.closeStores();
    if (whileClosed)
        whileClosed();
    m_fresh = false;
    // Shown again as the program starts: the store is opened afresh, and a store that can
    // no longer be opened ends the program as it would at start-up.
    if (!load()) {
        QApplication::quit();
        return;
    }
    show();
}

QString MainWindow::chooseCopyFile(bool forBackup)
{
    const QString working = workingStorePath(m_context.programDir());
    Dialogs &dialogs = m_context.dialogs();
    for (;;) {
        const QString folder = QDir::homePath();
        QString path;
        if (forBackup) {
            path = dialogs.saveFile(this, QStringLiteral("選擇要備份的資料檔"), QStringLiteral("目的資料 (*.mdb)"),
                                    QStringLiteral("目的資料 (*.mdb)"), folder, false);
        } else {
            if (say(QStringLiteral("警告!!\n      回存資料來源,不正確時會造成無法挽回的錯誤\n"
                                   "      回存資料後,原本資料會被覆蓋,無法提供使用查詢\n請問是否還要執行"),
                    QStringLiteral("警告!!回存資料"), MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No)
                != MsgAnswer::Yes)
                return {};
            path = dialogs.openFile(this, QStringLiteral("選擇要回存的資料檔"), QStringLiteral("來源資料 (*.mdb)"), folder);
        }
        if (path.isEmpty())
            return {};
        // A name typed without its type gets the one the filter shows.
        if (forBackup && QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".mdb");
        // Copying the store onto itself, or emptying it to refill it from itself, would
        // lose it: any other name of the same file is refused too.
        if (sameStoreFile(path, working)) {
            const QString what = forBackup ? QStringLiteral("備份") : QStringLiteral("回存");
            say(what + QStringLiteral("檔案錯誤：目的檔案與來源檔案相同"), what + QStringLiteral("檔案錯誤 ") + displayPath(working),
                MsgIcon::Critical, MsgButtons::Ok, MsgAnswer::Ok);
            continue;
        }
        // Nor may a backup overwrite the institution codes kept beside the store.
        const QString reference = referenceStorePath(m_context.programDir());
        if (forBackup && sameStoreFile(path, reference)) {
            say(QStringLiteral("備份檔案錯誤：目的檔案是金融機構代碼檔"), QStringLiteral("備份檔案錯誤 ") + displayPath(reference),
                MsgIcon::Critical, MsgButtons::Ok, MsgAnswer::Ok);
            continue;
        }
        if (forBackup && !QFileInfo::exists(path)
            && say(displayPath(path) + QStringLiteral("\n此檔案不存在。\n要建立檔案嗎?"), QStringLiteral("選擇要備份的資料檔"),
                   MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::Yes)
                != MsgAnswer::Yes)
            continue;
        return path;
    }
}

void MainWindow::backupData()
{
    const QString target = chooseCopyFile(true);
    if (target.isEmpty())
        return;
    reloadWindows([&] {
        QString reason;
        if (!backupStoreFile(workingStorePath(m_context.programDir()), target, &reason))
            m_context.dialogs().message(nullptr, QStringLiteral("備份檔案失敗!!") + QLatin1Char('\n') + reason, applicationTitle(),
                                        MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok);
    });
}

bool MainWindow::restoreFrom(const QString &path)
{
    RestoreSource source(path);
    if (source.problem() == RestoreSource::Problem::Layout) {
        say(QStringLiteral("選擇的來源資料庫錯誤!回存失敗,回存動作終止!"), QStringLiteral("資料庫格式不相符"), MsgIcon::Critical,
            MsgButtons::Ok, MsgAnswer::Ok);
        return false;
    }
    const auto failed = [this](const QString &reason) {
        say(QStringLiteral("回存失敗，原資料未變更") + QLatin1Char('\n') + reason, QStringLiteral("回存資料"), MsgIcon::Critical,
            MsgButtons::Ok, MsgAnswer::Ok);
        return false;
    };
    if (source.problem() != RestoreSource::Problem::None)
        return failed(source.reason());
    if (say(QStringLiteral(" 確定開始匯入資料?\n"), QStringLiteral("匯入資料"), MsgIcon::Exclamation, MsgButtons::YesNo,
            MsgAnswer::Yes)
        != MsgAnswer::Yes)
        return true;
    Store *store = m_context.working();
    QString reason = QStringLiteral("資料庫未開啟");
    if (!store || !source.copyInto(Store::engineHandle(store->database()), &reason))
        return failed(reason);
    RefreshMenu();
    say(QStringLiteral("資料回存完畢!!"), QStringLiteral("回存完成"), MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    return true;
}

void MainWindow::restoreData()
{
    const QString source = chooseCopyFile(false);
    if (!source.isEmpty() && restoreFrom(source))
        reloadWindows({});
}

void MainWindow::newBatch()
{
    const MsgAnswer answer = say(QStringLiteral("\n\n舊的匯款資料已存在,是否刪除之？\n\n"),
                                 QStringLiteral("6. 產生另一批新的匯款"), MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No);
    if (answer != MsgAnswer::Yes)
        return;
    Store *store = m_context.working();
    // The lines and the header go together or not at all.
    const StoreResult result = store ? store->clearTables({Table::R_DETL, Table::R_DAY})
                                     : StoreResult::readOnly(QString());
    if (!result.ok()) {
        sayStoreFailure(result);
        return;
    }
    unloadEditingWindows();
    RefreshMenu();
}

void MainWindow::exitProgram()
{
    QApplication::quit();
}

void MainWindow::showAbout()
{
    AboutBox box(this);
    box.exec();
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            if (!m_fresh)
                RefreshMenu();
        } else if (!m_inOwnMessage) {
            m_fresh = false;
        }
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // After the window has been drawn, so that a message stands in front of the menu.
    QMetaObject::invokeMethod(this, [this] {
        if (!m_fresh)
            RefreshMenu();
    }, Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!m_reloading)
        QApplication::quit();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Enter presses the button that has the focus, as everywhere else in the program.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (auto *b = qobject_cast<QPushButton *>(watched)) {
                b->animateClick();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
