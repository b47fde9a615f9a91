#include "ui/platform/dialogs.h"

#include "core/store/storefailure.h"
#include "ui/platform/guidewindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace {

QMessageBox::StandardButton standardButton(MsgAnswer answer)
{
    switch (answer) {
    case MsgAnswer::Ok: return QMessageBox::Ok;
    case MsgAnswer::Cancel: return QMessageBox::Cancel;
    case MsgAnswer::Yes: return QMessageBox::Yes;
    case MsgAnswer::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// A message box over the window it speaks for: Qt centres a box by its size before the
// box has sized itself to its text.
class PlacedMessageBox : public QMessageBox {
public:
    explicit PlacedMessageBox(QWidget *owner) : QMessageBox(owner), m_owner(owner) {}

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event); // sizes the box to its text
        placeOver(this, m_owner);
    }

private:
    QWidget *m_owner;
};

// Keeps the box at least as wide as its whole title: the window manager cuts a title wider
// than the box ("匯款… 入"). The box sizes itself to its layout, so the room goes there.
void makeRoomForTitle(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    // The title bar also holds the window's icon and its buttons.
    const int room = metrics.horizontalAdvance(box.windowTitle()) * 11 / 10 + metrics.height() * 8;
    const int widest = box.screen()->availableGeometry().width() * 2 / 3;
    grid->addItem(new QSpacerItem(qMin(room, widest), 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

} // namespace

void placeOver(QWidget *window, const QWidget *owner)
{
    const QWidget *over = owner ? owner->window() : QApplication::activeWindow();
    if (over == window || (over && !over->isVisible()))
        over = nullptr;
    const QRect room = (over ? over->screen() : window->screen())->availableGeometry();
    // Inside to inside: the window manager tells a frame's size only after drawing it, but
    // its title bar and border stand where the owner's do.
    const int title = over ? over->geometry().top() - over->frameGeometry().top() : 0;
    const int border = over ? over->geometry().left() - over->frameGeometry().left() : 0;
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    const QSize fitted =
        window->size().expandedTo(window->minimumSizeHint()).boundedTo(room.size() - QSize(2 * border, title + border));
    QRect placed(QPoint(), fitted);
    placed.moveCenter(over ? over->geometry().center() : room.center());
    placed.moveLeft(qBound(room.left() + border, placed.left(), qMax(room.left() + border, room.right() + 1 - border - fitted.width())));
    placed.moveTop(qBound(room.top() + title, placed.top(), qMax(room.top() + title, room.bottom() + 1 - border - fitted.height())));
    window->setGeometry(placed);
}

MsgAnswer QtDialogs::message(QWidget *parent, const QString &text, const QString &title,
                             MsgIcon icon, MsgButtons buttons, MsgAnswer defaultButton)
{
    PlacedMessageBox box(parent);
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    QMessageBox::StandardButtons set;
    switch (buttons) {
    case MsgButtons::Ok: set = QMessageBox::Ok; break;
    case MsgButtons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MsgButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case MsgButtons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    box.setStandardButtons(set);
    box.setDefaultButton(standardButton(defaultButton));
    // The users know the buttons by their Chinese captions.
    if (auto *b = box.button(QMessageBox::Ok)) b->setText(QStringLiteral("確定"));
    if (auto *b = box.button(QMessageBox::Cancel)) b->setText(QStringLiteral("取消"));
    if (auto *b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("是(&Y)"));
    if (auto *b = box.button(QMessageBox::No)) b->setText(QStringLiteral("否(&N)"));
    makeRoomForTitle(box);
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    default: break;
    }
    // A box closed without a button (Esc, close box) takes its safe answer.
    if (buttons == MsgButtons::YesNo)
        return MsgAnswer::No;
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

QString QtDialogs::openFile(QWidget *parent, const QString &title, const QString &filter,
                            const QString &folder)
{
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString QtDialogs::saveFile(QWidget *parent, const QString &title, const QString &filter,
                            const QString &selectedFilter, const QString &folder, bool confirmOverwrite)
{
    QFileDialog::Options options;
    if (!confirmOverwrite)
        options |= QFileDialog::DontConfirmOverwrite;
    QString selected = selectedFilter;
    return QFileDialog::getSaveFileName(parent, title, folder, filter, &selected, options);
}

std::optional<QFont> QtDialogs::chooseFont(QWidget *parent, const QFont &initial)
{
    bool ok = false;
    // Only fixed-pitch fonts keep the list's columns in place.
    const QFont font = QFontDialog::getFont(&ok, initial, parent, QString(), QFontDialog::MonospacedFonts);
    if (!ok)
        return std::nullopt;
    return font;
}

bool QtDialogs::printSetup(QWidget *parent, PrintSetup &setup)
{
    QPrinter printer;
    printer.setPageOrientation(setup.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setCopyCount(setup.copies);
    if (!setup.printerName.isEmpty())
        printer.setPrinterName(setup.printerName);
    // Orientation and copies only: nothing is printed from here.
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    setup.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    setup.copies = qMax(1, printer.copyCount());
    setup.printerName = printer.printerName();
    return true;
}

void tell(Dialogs &dialogs, QWidget *parent, const Notice &notice)
{
    dialogs.message(parent, notice.text, notice.title.isEmpty() ? applicationTitle() : notice.title, notice.icon, MsgButtons::Ok,
                    MsgAnswer::Ok);
}

void tellStoreFailure(Dialogs &dialogs, QWidget *parent, const StoreResult &result, const QString &storePath)
{
    tell(dialogs, parent, storeFailureNotice(result, storePath));
}

void QtDialogs::openGuide(QWidget *parent, const QString &window)
{
    GuideWindow guide(m_guideFile, parent);
    guide.showPageOf(window);
    placeOver(&guide, parent);
    guide.exec();
}
