#include "ui/editing/batchheaderfields.h"

#include "ui/editing/fieldmoves.h"

#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/rules/headerrules.h"
#include "core/store/batchheader.h"
#include "core/store/schema.h"
#include "core/store/fieldroutines.h"
#include "core/store/storefailure.h"
#include "core/store/storeopening.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

struct FieldText {
    const char16_t *label;
    const char16_t *hint;
};
const FieldText kFieldTexts[3] = {
    {u"匯款日： ", u"(國曆yymmdd)"},
    {u"批　號：", u"(yymmddxxnn)      xx--客戶代號   nn--子批號"},
    {u"用　途：", u"(列印在匯款資料清單上)"},
};

} // namespace

BatchHeaderFields::BatchHeaderFields(AppContext &context, Host host, QWidget *parent)
    : QWidget(parent), m_context(context), m_host(host)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(QString::fromUtf16(kFieldTexts[i].label), this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        auto *field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("Text1_%1").arg(i));
        field->setAccessibleName(label->text().trimmed());
        label->setBuddy(field);
        auto *hint = new QLabel(QString::fromUtf16(kFieldTexts[i].hint), this);
        hint->setObjectName(QStringLiteral("Label2_%1").arg(i));
        auto *row = new QHBoxLayout;
        row->addWidget(field);
        row->addWidget(hint);
        row->addStretch();
        grid->addWidget(label, i, 0);
        grid->addLayout(row, i, 1);
        m_fields[i] = field;
    }
    m_fields[0]->setMaxLength(6);
    m_fields[1]->setMaxLength(10);
    m_fields[0]->setFixedWidth(m_fields[0]->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    m_fields[1]->setFixedWidth(m_fields[1]->fontMetrics().horizontalAdvance(QStringLiteral("00000000000000")));
    m_fields[2]->setMinimumWidth(m_fields[2]->fontMetrics().horizontalAdvance(QString(30, QChar(0x6F22))));
    m_moves = new FieldMoves({m_fields[0], m_fields[1], m_fields[2]}, this);
    connect(m_moves, &FieldMoves::keyPressed, this, [this] { MessageShown = false; });
    connect(m_moves, &FieldMoves::entered, this, &BatchHeaderFields::entered);
    connect(m_moves, &FieldMoves::left, this, [this](int index, bool check) {
        if (check)
            left(index);
    });
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(8);
    setTabOrder(m_fields[0], m_fields[1]);
    setTabOrder(m_fields[1], m_fields[2]);
}

void BatchHeaderFields::setMoveTargets(QWidget *aboveDate, QWidget *belowPurpose)
{
    m_aboveDate = aboveDate;
    m_belowPurpose = belowPurpose;
    m_moves->setEnds(aboveDate, belowPurpose);
    // Leaving for the window's own buttons checks nothing (the confirm button checks for itself).
    m_moves->setUnchecked({aboveDate, belowPurpose});
}

BatchHeader BatchHeaderFields::values() const
{
    return {m_fields[0]->text(), m_fields[1]->text(), m_fields[2]->text()};
}

void BatchHeaderFields::LoadHeader()
{
    BatchHeader header;
    const StoreResult result = m_context.working() ? readHeader(*m_context.working(), header)
                                                   : StoreResult::other(-1, QString());
    m_fields[0]->setText(header.date);
    m_fields[1]->setText(header.batchNo);
    m_fields[2]->setText(header.purpose);
    if (!result.ok())
        reportStoreFailure(result);
}

bool BatchHeaderFields::StoreHeader()
{
    const auto problem = m_context.working() ? HeaderRules::store(*m_context.working(), values())
                                             : storeFailureNotice(StoreResult::other(-1, QString()), workingStorePath(m_context.dataDir()));
    if (problem)
        tell(*problem);
    return !problem;
}

void BatchHeaderFields::reportStoreFailure(const StoreResult &result)
{
    tellStoreFailure(m_context.dialogs(), window(), result, workingStorePath(m_context.dataDir()));
}

void BatchHeaderFields::tell(const Notice &notice)
{
    ::tell(m_context.dialogs(), window(), notice);
    const int field = Schema::table(Table::R_DAY).ordinalOf(notice.focus);
    if (!notice.focus.isEmpty() && field >= 0 && field < 3)
        m_fields[field]->setFocus();
}

void BatchHeaderFields::refuse(const Notice &problem)
{
    MessageShown = true;
    tell(problem);
}

std::optional<Notice> BatchHeaderFields::problemOf(int index) const
{
    return index == 0 ? HeaderRules::dateProblem(m_fields[0]->text(), m_context.clock())
                      : HeaderRules::batchProblem(m_fields[1]->text(), m_fields[0]->text());
}

bool BatchHeaderFields::checkDate()
{
    const auto problem = problemOf(0);
    if (problem)
        refuse(*problem);
    return !problem;
}

bool BatchHeaderFields::checkBatchNo()
{
    const auto problem = problemOf(1);
    if (problem)
        refuse(*problem);
    return !problem;
}

void BatchHeaderFields::entered(int index)
{
    QLineEdit *field = m_fields[index];
    if (index == 0) {
        QString date = RocToday(m_context.clock(), QStringLiteral("2"));
        if (m_host == Host::BatchFile && m_context.working()) {
            BatchHeader stored;
            readHeader(*m_context.working(), stored);
            if (stored.stored)
                date = stored.date;
        }
        field->setText(date);
    } else if (index == 1) {
        // The user types only the customer code and the sub-batch number.
        field->setText(m_fields[0]->text());
    }
    if (index != 1) {
        selectAllSoon(field);
        return;
    }
    // After the line edit's own handling of the focus, which would select everything.
    QMetaObject::invokeMethod(field, [field] {
        field->deselect();
        field->end(false);
    }, Qt::QueuedConnection);
}

void BatchHeaderFields::left(int index)
{
    if (m_host != Host::BatchFile || MessageShown || index == 2)
        return;
    // Checked as the fields stand now; told once the focus has settled.
    const auto problem = problemOf(index);
    if (!problem)
        return;
    MessageShown = true;
    QMetaObject::invokeMethod(this, [this, notice = *problem] { refuse(notice); }, Qt::QueuedConnection);
}
