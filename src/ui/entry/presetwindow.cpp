#include "ui/entry/presetwindow.h"

#include "core/rules/linechecks.h"

#include "ui/editing/fieldmoves.h"
#include "ui/editing/windowparts.h"
#include "ui/platform/appcontext.h"
#include "core/store/storefailure.h"
#include "ui/platform/dialogs.h"
#include "core/store/storeopening.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char16_t *const kLabels[10] = {u"１.", u"２.　", u"３.　", u"４.", u"５.　", u"６.　", u"７.　", u"８.", u"９.　", u"１０.　"};

} // namespace

PresetWindow::PresetWindow(AppContext &context, QWidget *parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("備註欄功能鍵設定"));
    setModal(true);

    QLabel *heading = makeHeading(QStringLiteral("備註欄功能鍵設定"), this);
    auto *grid = new QGridLayout;
    const int byteWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    QList<QWidget *> fields;
    for (int k = 0; k < 10; ++k) {
        auto *label = new QLabel(QString::fromUtf16(kLabels[k]), this);
        label->setObjectName(QStringLiteral("Label2_%1").arg(k));
        auto *field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("Text1_%1").arg(k));
        field->setAccessibleName(label->text());
        field->setMaxLength(50);
        field->setMinimumWidth(50 * byteWidth + 16);
        label->setBuddy(field);
        grid->addWidget(label, k, 0);
        grid->addWidget(field, k, 1);
        m_fields[k] = field;
        fields << field;
    }
    m_ok = new QPushButton(QStringLiteral("1.確定"), this);
    m_ok->setObjectName(QStringLiteral("Command1_0"));
    m_cancel = new QPushButton(QStringLiteral("2.取消"), this);
    m_cancel->setObjectName(QStringLiteral("Command1_1"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {m_ok, m_cancel}) {
        b->setAutoDefault(true);
        b->setMinimumWidth(100);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    runOnClick(m_ok, m_gate, [this] { confirm(); });
    runOnClick(m_cancel, m_gate, [this] { reject(); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    for (int i = 0; i + 1 < fields.size(); ++i)
        setTabOrder(fields[i], fields[i + 1]);
    setTabOrder(fields.last(), m_ok);
    setTabOrder(m_ok, m_cancel);
    auto *moves = new FieldMoves(fields, this);
    moves->setEnds(m_ok, m_ok);
    connect(moves, &FieldMoves::entered, this, [this](int k) { selectAllSoon(m_fields[k]); });

    const QStringList presets = context.working() ? readRemarkPresets(*context.working()) : QStringList();
    for (int k = 0; k < 10; ++k)
        m_fields[k]->setText(presets.value(k));
    m_fields[0]->setFocus();
}

void PresetWindow::confirm()
{
    QStringList presets;
    for (QLineEdit *f : m_fields)
        presets << f->text();
    const StoreResult result = m_context.working() ? writeRemarkPresets(*m_context.working(), presets)
                                                   : StoreResult::other(-1, QString());
    if (!result.ok()) {
        tellStoreFailure(m_context.dialogs(), this, result, workingStorePath(m_context.dataDir()));
        if (result.error == StoreResult::Error::TooLong && result.ordinal >= 0 && result.ordinal < 10)
            m_fields[result.ordinal]->setFocus();
        return;
    }
    accept();
}
