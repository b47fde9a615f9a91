#pragma once

#include <QDialog>

// The about box: product name, version of this build and a notice.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);

    static QString versionText();
};
