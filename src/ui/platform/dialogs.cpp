#include "ui/platform/dialogs.h"

#include "core/store/storefailure.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
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

} // namespace

MsgAnswer QtDialogs::message(QWidget *parent, const QString &text, const QString &title,
                             MsgIcon icon, MsgButtons buttons, MsgAnswer defaultButton)
{
    QMessageBox box(parent);
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
