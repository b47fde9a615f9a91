#include "ui/shell/aboutbox.h"

#include "ui/shell/logo.h"

#include "ui/platform/dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + applicationTitle());
    setModal(true);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picIcon"));
    picture->setPixmap(talvekLogo(64));

    auto *title = new QLabel(applicationTitle(), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = title->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    titleFont.setBold(true);
    title->setFont(titleFont);

    auto *version = new QLabel(versionText(), this);
    version->setObjectName(QStringLiteral("lblVersion"));

    // Broken where a reader pauses, never inside a word: wrapping Chinese text may cut "匯款檔".
    auto *notice = new QLabel(QStringLiteral("本程式供 Korvana 銀行客戶編製整批匯款資料，\n產生之匯款檔請交付往來分行。"), this);
    notice->setObjectName(QStringLiteral("lblDisclaimer"));

    auto *close = new QPushButton(QStringLiteral("關　閉"), this);
    close->setObjectName(QStringLiteral("cmdOK"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto *text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(version);
    text->addSpacing(12);
    text->addWidget(notice);
    auto *top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString AboutBox::versionText()
{
    return QStringLiteral("Version %1.%2.%3").arg(TALVEK_VERSION_MAJOR).arg(TALVEK_VERSION_MINOR).arg(TALVEK_VERSION_PATCH);
}
