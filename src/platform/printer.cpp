#include "printer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

bool QtPrinter::print(const PrintJob &job, QString *error)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(job.documentName);
    printer.setPageOrientation(job.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setCopyCount(qMax(1, job.copies));
    if (!m_outputPdf.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_outputPdf);
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = QStringLiteral("無法使用印表機");
        return false;
    }
    QFont font(job.fontFamily);
    font.setPointSizeF(job.fontPointSize);
    font.setStyleHint(QFont::Monospace);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    const qreal lineHeight = metrics.lineSpacing();
    for (qsizetype p = 0; p < job.pages.size(); ++p) {
        if (p > 0 && !printer.newPage()) {
            if (error)
                *error = QStringLiteral("印表機無法換頁");
            painter.end();
            return false;
        }
        qreal y = metrics.ascent();
        for (const QString &line : job.pages[p]) {
            painter.drawText(QPointF(0, y), line);
            y += lineHeight;
        }
    }
    return painter.end();
}
