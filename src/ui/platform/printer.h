#pragma once

#include <QList>
#include <QString>

class QWidget;

// One printed line and its font size.
struct PrintLine {
    QString text;
    qreal pointSize = 11;
};

// A text print-out in one fixed-pitch font: sheets of lines, each sheet a new page.
struct PrintJob {
    QString documentName;
    QString fontFamily;
    bool landscape = true;
    QString printerName; // empty: the system's default printer
    QList<QList<PrintLine>> sheets;
};

// Where print-outs go: the printer, a PDF file or a page preview. Tests record them.
class Printer {
public:
    virtual ~Printer() = default;
    // False with a reason when the job could not be printed.
    virtual bool print(const PrintJob &job, QString *error) = 0;
    // The same pages as the printout, as a PDF file at path.
    virtual bool exportPdf(const PrintJob &job, const QString &path, QString *error) = 0;
    // Shows the sheets as they will print, until the user closes the preview.
    virtual void preview(const PrintJob &job, QWidget *parent) = 0;
};

// The system's default printer, PDF files and the page preview, through Qt.
class QtPrinter : public Printer {
public:
    bool print(const PrintJob &job, QString *error) override;
    bool exportPdf(const PrintJob &job, const QString &path, QString *error) override;
    void preview(const PrintJob &job, QWidget *parent) override;
};
