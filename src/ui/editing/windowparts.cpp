#include "ui/editing/windowparts.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

QLabel *makeHeading(const QString &text, QWidget *parent, int growBy)
{
    auto *heading = new QLabel(text, parent);
    heading->setObjectName(QStringLiteral("Label1"));
    QFont font = heading->font();
    font.setPointSize(font.pointSize() + growBy);
    font.setBold(true);
    heading->setFont(font);
    heading->setAlignment(Qt::AlignCenter);
    return heading;
}

ConfirmPair makeConfirmPair(QWidget *parent)
{
    ConfirmPair pair{new QPushButton(QStringLiteral("確定"), parent), new QPushButton(QStringLiteral("取消"), parent),
                     new QHBoxLayout};
    pair.ok->setObjectName(QStringLiteral("Command2_0"));
    pair.cancel->setObjectName(QStringLiteral("Command2_1"));
    for (QPushButton *b : {pair.ok, pair.cancel}) {
        b->setAutoDefault(true);
        b->setMinimumWidth(100);
    }
    pair.row->addStretch();
    pair.row->addWidget(pair.ok);
    pair.row->addSpacing(24);
    pair.row->addWidget(pair.cancel);
    pair.row->addStretch();
    return pair;
}

namespace {

class EscapeGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        return event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape;
    }
};

} // namespace

void keepOpenOnEscape(QDialog *dialog)
{
    // A key no control takes reaches the dialog, which would close on Esc.
    dialog->installEventFilter(new EscapeGuard(dialog));
}

QFont fixedPitchFont(int pointSizeDelta)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamilies({QStringLiteral("細明體"), QStringLiteral("Noto Sans Mono CJK TC"), font.family()});
    font.setPointSize(QApplication::font().pointSize() + pointSizeDelta);
    return font;
}
