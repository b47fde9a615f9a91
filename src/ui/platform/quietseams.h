#pragma once

#include "ui/platform/dialogs.h"
#include "ui/platform/printer.h"

// Seams for running the windows with nobody at the screen (the benchmark, the guide's
// pictures): every dialog is answered with its default at once, nothing is printed.
class SilentDialogs : public Dialogs {
public:
    MsgAnswer message(QWidget *, const QString &, const QString &, MsgIcon, MsgButtons, MsgAnswer d) override { return d; }
    QString openFile(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    QString saveFile(QWidget *, const QString &, const QString &, const QString &, const QString &, bool) override { return {}; }
    std::optional<QFont> chooseFont(QWidget *, const QFont &) override { return std::nullopt; }
    bool printSetup(QWidget *, PrintSetup &) override { return false; }
    void openGuide(QWidget *, const QString &) override {}
};

class NoPrinter : public Printer {
public:
    bool print(const PrintJob &, QString *) override { return true; }
    bool exportPdf(const PrintJob &, const QString &, QString *) override { return true; }
    void preview(const PrintJob &, QWidget *) override {}
};
