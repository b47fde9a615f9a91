#include "ui/shell/mainwindow.h"

#include "ui/shell/aboutbox.h"
#include "ui/shell/backuprestore.h"
#include "ui/shell/logo.h"
#include "ui/shell/openstore.h"

#include "ui/entry/entrywindow.h"
#include "ui/exchange/importdialog.h"
#include "ui/master/institutionwindow.h"
#include "ui/master/payeewindow.h"
#include "ui/master/remitterwindow.h"
#include "ui/output/batchfilewindow.h"
#include "ui/output/listwindow.h"

#include "ui/platform/appcontext.h"
#include "ui/platform/guidewindow.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/storefailure.h"
#include "core/store/storeopening.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace {

template <class W>
QDialog *make(AppContext &context, QWidget *parent)
{
    return new W(context, parent);
}

// The eight numbered buttons, in their order, and the windows they open. The editing
// windows are kept between openings and carry the spreadsheet commands; 4 and 5 open
// only over lines of a batch. The full-width blanks pad a caption to twelve characters.
struct ShellButton {
    QString caption;
    QDialog *(*create)(AppContext &, QWidget *); // null: a command of the menu itself
    bool kept;
    std::optional<ImportKind> exchange;
    QString noLines; // what is said instead of opening when there are no lines
};

const ShellButton kButtons[8] = {
    {QStringLiteral("1. 匯款人資料建檔　　"), make<RemitterWindow>, false, {}, {}},
    {QStringLiteral("2. 收款人資料建檔　　"), make<PayeeWindow>, true, ImportKind::Payees, {}},
    {QStringLiteral("3. 匯款資料輸入　　　"), make<EntryWindow>, true, ImportKind::Lines, {}},
    {QStringLiteral("4. 列印整批匯款明細　"), make<ListWindow>, false, {}, QStringLiteral("無匯款資料,請建置匯款 ")},
    {QStringLiteral("5. 產生整批匯款檔　　"), make<BatchFileWindow>, false, {}, QStringLiteral("無匯款資料,請建置匯款 Data")},
    {QStringLiteral("6. 產生另一批新的匯款"), nullptr, false, {}, {}},
    {QStringLiteral("7. 金融機購代碼檔維護"), make<InstitutionWindow>, true, ImportKind::Institutions, {}},
    {QStringLiteral("8. 結束"), nullptr, false, {}, {}},
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
    // F1 opens the guide at the page of whichever window of ours it is pressed in.
    qApp->installEventFilter(new GuideKey(m_context.dialogs(), this));
}

MainWindow::~MainWindow()
{
    unloadEditingWindows();
}

void MainWindow::buildMenu()
{
    const auto add = [](QMenu *menu, const QString &text, const char *name) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    QMenu *system = menuBar()->addMenu(QStringLiteral("系統(&S)"));
    system->setObjectName(QStringLiteral("mnuSystem"));
    runOnClick(add(system, QStringLiteral("回存資料"), "mnuRestore"), m_gate, [this] { BackupRestore(*this, m_context).restore(); });
    runOnClick(add(system, QStringLiteral("備份資料"), "mnuBackup"), m_gate, [this] { BackupRestore(*this, m_context).backup(); });
    system->addSeparator();
    runOnClick(add(system, QStringLiteral("離開"), "mnuExit"), m_gate, [] { QApplication::quit(); });

    QMenu *help = menuBar()->addMenu(QStringLiteral("說明(&H)"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    runOnClick(add(help, QStringLiteral("文件說明"), "mnuDoc"), m_gate, [this] { m_context.dialogs().openGuide(this, QString()); });
    help->addSeparator();
    runOnClick(add(help, QStringLiteral("關於    Talvek(&A)"), "mnuAbout"), m_gate, [this] {
        AboutBox box(this);
        showModal(&box);
    });
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
        auto *b = new QPushButton(kButtons[i].caption, central);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setFont(buttonFont);
        b->setMinimumHeight(44);
        b->setMinimumWidth(260);
        b->setStyleSheet(QStringLiteral("text-align: left; padding-left: 14px;"));
        b->setShortcut(QKeySequence(Qt::Key_1 + i));
        b->installEventFilter(this);
        const int number = i + 1;
        runOnClick(b, m_gate, [this, number] { onButton(number); });
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
    // A store opened afresh has not been read into the menu yet.
    m_fresh = false;
    return openWorkingStoreOrSay(m_context);
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
    const Notice notice = storeFailureNotice(result, workingStorePath(m_context.dataDir()));
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
    const QString check = code.mid(Bank::HomeCode.size() + branch.size());
    const QString label = InstNameLabel(m_context.reference(), code);
    m_banner->setText(QStringLiteral("匯款行： ") + Bank::HomeCode + QLatin1Char('-') + branch + QLatin1Char('-') + check + label
                      + QStringLiteral("      \n匯款人： ") + remitter->field(RBase::RMTNAME));

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
    if (number == 6) {
        newBatch();
    } else if (number == 8) {
        QApplication::quit();
    } else if (kButtons[number - 1].noLines.isEmpty() || hasLines(kButtons[number - 1].noLines)) {
        if (QDialog *window = windowFor(number))
            openWindow(window);
    }
    // Back from another window: this window is active again, whether or not the window
    // system says so (without a window manager it may not).
    if (!m_fresh)
        RefreshMenu();
}

void MainWindow::showModal(QDialog *window)
{
    placeOver(window, this);
    window->exec();
}

void MainWindow::openWindow(QDialog *window)
{
    m_fresh = false;
    showModal(window);
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

bool MainWindow::hasLines(const QString &noLinesMessage)
{
    Store *store = m_context.working();
    StoreResult read = StoreResult::other(-1, QStringLiteral("資料庫未開啟"));
    if (store && store->hasRows(Table::R_DETL, &read))
        return true;
    if (read.ok())
        say(noLinesMessage, applicationTitle(), MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok);
    else
        sayStoreFailure(read);
    return false;
}

QDialog *MainWindow::windowFor(int number)
{
    const ShellButton &w = kButtons[number - 1];
    QPointer<QDialog> &slot = m_windows[number - 1];
    // A window still open is never replaced under its own feet.
    if (!w.create || (slot && slot->isVisible()))
        return nullptr;
    if (slot && w.kept)
        return slot;
    delete slot.data();
    slot = w.create(m_context, this);
    if (w.exchange)
        addExchangeCommands(qobject_cast<EditingWindow *>(slot.data()), m_context, *w.exchange);
    return slot;
}

void MainWindow::unloadEditingWindows()
{
    for (int i = 0; i < 8; ++i) {
        if (kButtons[i].kept)
            delete m_windows[i].data();
    }
}

void MainWindow::unloadWindows()
{
    for (QPointer<QDialog> &slot : m_windows)
        delete slot.data();
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
