#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A text print-out: pages of lines in one fixed-pitch font.
struct PrintJob {
    QString documentName;
    QString fontFamily;
    qreal fontPointSize = 10;
    bool landscape = true;
    int copies = 1;
    QList<QStringList> pages;
};

// Where print-outs go; tests record them instead.
class Printer {
public:
    virtual ~Printer() = default;
    // False with a reason when the job could not be printed.
    virtual bool print(const PrintJob &job, QString *error) = 0;
};

// The system's default printer through Qt, or a PDF file when outputPdf is set.
class QtPrinter : public Printer {
public:
    explicit QtPrinter(QString outputPdf = {}) : m_outputPdf(std::move(outputPdf)) {}
    bool print(const PrintJob &job, QString *error) override;

private:
    QString m_outputPdf;
};
