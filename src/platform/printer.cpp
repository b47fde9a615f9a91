#include "printer.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

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

// Draws the sheets; a sheet that would not fit the page is drawn smaller as a whole, so
// that the columns keep their places and no line runs off the paper.
bool render(const PrintJob &job, QPrinter &printer, QString *error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = QStringLiteral("無法使用印表機");
        return false;
    }
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    for (qsizetype s = 0; s < job.sheets.size(); ++s) {
        if (s > 0 && !printer.newPage()) {
            if (error)
                *error = QStringLiteral("印表機無法換頁");
            painter.end();
            return false;
        }
        const QList<PrintLine> &lines = job.sheets[s];
        qreal height = 0, width = 0;
        for (const PrintLine &line : lines) {
            const QFontMetricsF metrics(fontOf(job, line.pointSize), &printer);
            height += metrics.lineSpacing();
            width = qMax(width, metrics.horizontalAdvance(line.text));
        }
        const qreal scale = std::min({1.0, width > 0 ? page.width() / width : 1.0, height > 0 ? page.height() / height : 1.0});
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
    setUp(printer, job);
    return render(job, printer, error);
}

bool QtPrinter::exportPdf(const PrintJob &job, const QString &path, QString *error)
{
    QPrinter printer(QPrinter::HighResolution);
    setUp(printer, job);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    if (!render(job, printer, error))
        return false;
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0) {
        if (error)
            *error = QStringLiteral("無法寫入 %1").arg(path);
        return false;
    }
    return true;
}

void QtPrinter::preview(const PrintJob &job, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    setUp(printer, job);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("預覽列印"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&job](QPrinter *target) { render(job, *target, nullptr); });
    dialog.exec();
}
