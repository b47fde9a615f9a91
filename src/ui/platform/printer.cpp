#include "ui/platform/printer.h"

#include "core/platform/atomicfile.h"
#include "ui/platform/pdftext.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QDialog>
#include <QHBoxLayout>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

namespace {

QFont fontOf(const PrintJob &job, qreal pointSize)
{
    QFont font(job.fontFamily);
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(pointSize);
    return font;
}

void setUp(QPrinter &printer, const PrintJob &job)
{
    printer.setDocName(job.documentName);
    printer.setPageOrientation(job.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFullPage(false);
}

// How much smaller than their sizes the sheets must be drawn so that the fullest fits the
// page; one scale for the whole job, so that every sheet looks alike.
qreal scaleToFit(const PrintJob &job, QPrinter &printer)
{
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    qreal scale = 1.0;
    for (const QList<PrintLine> &lines : job.sheets) {
        qreal height = 0, width = 0;
        for (const PrintLine &line : lines) {
            const QFontMetricsF metrics(fontOf(job, line.pointSize), &printer);
            height += metrics.lineSpacing();
            width = qMax(width, metrics.horizontalAdvance(line.text));
        }
        scale = std::min({scale, width > 0 ? page.width() / width : 1.0, height > 0 ? page.height() / height : 1.0});
    }
    return scale;
}

// Draws the sheets, smaller where needed, so that the columns keep their places and no
// line runs off the paper.
bool render(const PrintJob &job, QPrinter &printer, QString *error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = QStringLiteral("無法使用印表機");
        return false;
    }
    const qreal scale = scaleToFit(job, printer);
    for (qsizetype s = 0; s < job.sheets.size(); ++s) {
        if (s > 0 && !printer.newPage()) {
            if (error)
                *error = QStringLiteral("印表機無法換頁");
            painter.end();
            return false;
        }
        const QList<PrintLine> &lines = job.sheets[s];
        painter.save();
        painter.scale(scale, scale);
        qreal y = 0;
        for (const PrintLine &line : lines) {
            const QFont font = fontOf(job, line.pointSize);
            const QFontMetricsF metrics(font, &printer);
            painter.setFont(font);
            painter.drawText(QPointF(0, y + metrics.ascent()), line.text);
            y += metrics.lineSpacing();
        }
        painter.restore();
    }
    if (!painter.end()) {
        if (error)
            *error = QStringLiteral("列印工作無法完成");
        return false;
    }
    return true;
}

} // namespace

bool QtPrinter::print(const PrintJob &job, QString *error)
{
    if (QPrinterInfo::defaultPrinter().isNull() && QPrinterInfo::availablePrinters().isEmpty()) {
        if (error)
            *error = QStringLiteral("找不到印表機");
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!job.printerName.isEmpty())
        printer.setPrinterName(job.printerName);
    setUp(printer, job);
    return render(job, printer, error);
}

bool QtPrinter::exportPdf(const PrintJob &job, const QString &path, QString *error)
{
    auto failed = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("無法寫入 %1").arg(path) + (why.isEmpty() ? QString() : QLatin1Char('\n') + why);
        return false;
    };
    // Qt writes the draft; the file the user named gets it whole, text corrected, or not at all.
    QTemporaryDir scratch;
    const QString draft = scratch.filePath(QStringLiteral("list.pdf"));
    if (!scratch.isValid())
        return failed(scratch.errorString());
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(draft);
        setUp(printer, job);
        if (!render(job, printer, error))
            return false;
    }
    QFile file(draft);
    if (!file.open(QIODevice::ReadOnly))
        return failed(file.errorString());
    QByteArray pdf = file.readAll();
    file.close();
    QStringList lines;
    QList<QFont> fonts;
    for (const QList<PrintLine> &sheet : job.sheets)
        for (const PrintLine &line : sheet) {
            lines << line.text;
            if (const QFont font = fontOf(job, line.pointSize); !fonts.contains(font))
                fonts << font;
        }
    QString reason;
    if (pdf.isEmpty() || !correctPdfText(pdf, glyphAliases(fonts, lines), &reason) || !writeFileAtomically(path, pdf, &reason))
        return failed(reason);
    return true;
}

void QtPrinter::preview(const PrintJob &job, QWidget *parent)
{
    // Only a look at the sheets: printing goes through the window's own command, which
    // says when it starts, ends or fails.
    QPrinter printer(QPrinter::HighResolution);
    setUp(printer, job);
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("預覽列印"));
    auto *view = new QPrintPreviewWidget(&printer, &dialog);
    QObject::connect(view, &QPrintPreviewWidget::paintRequested, &dialog,
                     [&job](QPrinter *target) { render(job, *target, nullptr); });
    auto *buttons = new QHBoxLayout;
    const struct {
        const char16_t *caption;
        std::function<void()> act;
    } actions[] = {{u"上一頁", [view] { view->setCurrentPage(view->currentPage() - 1); }},
                   {u"下一頁", [view] { view->setCurrentPage(view->currentPage() + 1); }},
                   {u"放大", [view] { view->zoomIn(); }},
                   {u"縮小", [view] { view->zoomOut(); }},
                   {u"整頁", [view] { view->fitInView(); }},
                   {u"關閉", [&dialog] { dialog.accept(); }}};
    for (const auto &a : actions) {
        auto *b = new QPushButton(QString::fromUtf16(a.caption), &dialog);
        b->setAutoDefault(false);
        QObject::connect(b, &QPushButton::clicked, &dialog, a.act);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto *layout = new QVBoxLayout(&dialog);
    layout->addLayout(buttons);
    layout->addWidget(view, 1);
    dialog.resize(1100, 800);
    view->fitInView();
    dialog.exec();
}
