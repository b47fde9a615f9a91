#include "ui/platform/dialogs.h"

#include "core/store/storefailure.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
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

// A message box wide enough for its whole title, over the window it speaks for. The window
// manager cuts a title wider than the box ("匯款… 入"), and Qt centres a box by its size
// before the box has sized itself to its text.
class FittedMessageBox : public QMessageBox {
public:
    explicit FittedMessageBox(QWidget *owner) : QMessageBox(owner), m_owner(owner) {}

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event); // sizes the box to its text
        QFont titleFont = font();
        titleFont.setBold(true);
        const QFontMetrics metrics(titleFont);
        // The title bar also holds the window's icon and its buttons.
        const int needed = metrics.horizontalAdvance(windowTitle()) * 11 / 10 + metrics.height() * 6;
        if (width() < needed)
            setFixedWidth(qMin(needed, screen()->availableGeometry().width() - 40));
        placeOver(this, m_owner);
    }

private:
    QWidget *m_owner;
};

} // namespace

void placeOver(QWidget *window, const QWidget *owner)
{
    const QWidget *over = owner ? owner->window() : QApplication::activeWindow();
    if (over == window || (over && !over->isVisible()))
        over = nullptr;
    const QRect room = (over ? over->screen() : window->screen())->availableGeometry();
    // The window's frame is not known before it is shown: its owner's is a fair guess.
    const QSize frame = over ? over->frameGeometry().size() - over->size() : QSize(0, 0);
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    const QSize fitted = window->size().expandedTo(window->minimumSizeHint()).boundedTo(room.size() - frame);
    if (fitted != window->size())
        window->resize(fitted);
    QRect placed(QPoint(), fitted + frame);
    placed.moveCenter(over ? over->frameGeometry().center() : room.center());
    placed.moveLeft(qBound(room.left(), placed.left(), qMax(room.left(), room.right() + 1 - placed.width())));
    placed.moveTop(qBound(room.top(), placed.top(), qMax(room.top(), room.bottom() + 1 - placed.height())));
    window->move(placed.topLeft());
}

MsgAnswer QtDialogs::message(QWidget *parent, const QString &text, const QString &title,
                             MsgIcon icon, MsgButtons buttons, MsgAnswer defaultButton)
{
    FittedMessageBox box(parent);
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
