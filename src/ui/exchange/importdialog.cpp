#include "ui/exchange/importdialog.h"

#include "core/services/exchangerun.h"

#include "ui/editing/editingwindow.h"
#include "core/platform/atomicfile.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/store/schema.h"
#include "core/store/store.h"
#include "core/store/storefailure.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The mapping last confirmed for each kind of rows, with the header it was made for,
// kept while the program runs.
struct KeptMapping {
    QStringList header;
    int columns = 0;
    QList<int> mapping;
};
QHash<int, KeptMapping> &keptMappings()
{
    static QHash<int, KeptMapping> mappings;
    return mappings;
}

QString kindName(ImportKind kind)
{
    switch (kind) {
    case ImportKind::Payees: return QStringLiteral("收款人資料");
    case ImportKind::Lines: return QStringLiteral("匯款資料");
    case ImportKind::Institutions: return QStringLiteral("金融機構代碼");
    }
    return {};
}

// The fields an update changes, payee by payee: read from the plan as the view asks, so a
// file of thousands of updated payees costs nothing until it is scrolled.
class ChangeModel : public QAbstractTableModel {
public:
    explicit ChangeModel(QObject *parent) : QAbstractTableModel(parent) {}
    void setChanges(QList<FieldChange> changes)
    {
        beginResetModel();
        m_changes = std::move(changes);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_changes.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const FieldChange &c = m_changes[index.row()];
        const QString *texts[] = {&c.code, &c.field, &c.before, &c.after};
        return *texts[index.column()];
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return QAbstractTableModel::headerData(section, orientation, role);
        static const QStringList headings{Schema::table(Table::R_CUST).label(RCust::R_ID), QStringLiteral("欄位"), QStringLiteral("舊值"),
                                          QStringLiteral("新值")};
        return headings.value(section);
    }

private:
    QList<FieldChange> m_changes;
};

// How wide a text is drawn, measured quickly for thousands of values: a text of Latin,
// CJK and full-width characters alone as the sum of its characters' widths (never less
// than the text drawn, which may only draw pairs closer), any other text as drawn.
class TextWidths {
public:
    explicit TextWidths(const QFont &font) : m_metrics(font) {}
    int of(const QString &text)
    {
        int sum = 0;
        for (QChar c : text) {
            const char16_t u = c.unicode();
            if (!(u < 0x0300 || (u >= 0x2E80 && u < 0xD800) || (u >= 0xF900 && u < 0xFE00) || (u >= 0xFF00 && u < 0xFFF0)))
                return m_metrics.horizontalAdvance(text);
            auto it = m_chars.constFind(u);
            if (it == m_chars.cend())
                it = m_chars.insert(u, m_metrics.horizontalAdvance(c));
            sum += *it;
        }
        return sum;
    }

private:
    QFontMetrics m_metrics;
    QHash<char16_t, int> m_chars;
};

// Each column as wide as its widest value and its heading, so that no account or name is
// cut; the table scrolls sideways instead.
void fitColumns(QTableView *view)
{
    const QAbstractItemModel *model = view->model();
    TextWidths widths(view->font());
    // What the item delegate puts around a text, and the grid line.
    const int margin = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) + 1;
    for (int c = 0; c < model->columnCount(); ++c) {
        int widest = 0;
        for (int r = 0; r < model->rowCount(); ++r)
            widest = qMax(widest, widths.of(model->index(r, c).data().toString()));
        view->setColumnWidth(c, qMax(widest + margin, view->horizontalHeader()->sectionSizeHint(c)));
    }
}

const QList<std::optional<CsvText::Encoding>> kEncodings{std::nullopt, CsvText::Encoding::Utf8, CsvText::Encoding::Utf16,
                                                         CsvText::Encoding::Big5};

} // namespace

QRadioButton *ImportDialog::choice(QBoxLayout *layout, const std::pair<QString, QString> &first,
                                   const std::pair<QString, QString> &second, QRadioButton **other)
{
    auto *row = new QHBoxLayout;
    QRadioButton *buttons[2];
    for (int i = 0; i < 2; ++i) {
        const auto &[text, name] = i == 0 ? first : second;
        buttons[i] = new QRadioButton(text, this);
        buttons[i]->setObjectName(name);
        buttons[i]->setAccessibleName(text);
        row->addWidget(buttons[i]);
    }
    row->addStretch();
    layout->addLayout(row);
    buttons[0]->setChecked(true);
    connect(buttons[1], &QRadioButton::toggled, this, &ImportDialog::replan);
    *other = buttons[1];
    return buttons[0];
}

ImportDialog::ImportDialog(AppContext &context, ImportKind kind, Store &store, const QByteArray &bytes, const QString &path,
                           QWidget *parent)
    : QDialog(parent), m_context(context), m_kind(kind), m_store(store), m_bytes(bytes),
      m_reference(kind == ImportKind::Institutions ? &store : context.reference())
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("匯入") + kindName(kind));
    setModal(true);

    auto *fileLabel = new QLabel(QStringLiteral("檔案：") + QDir::toNativeSeparators(path), this);
    fileLabel->setObjectName(QStringLiteral("lblFile"));
    m_encoding = new QComboBox(this);
    m_encoding->setObjectName(QStringLiteral("cboEncoding"));
    m_encoding->setAccessibleName(QStringLiteral("編碼"));
    m_encoding->addItems({QStringLiteral("自動偵測"), QStringLiteral("UTF-8"), QStringLiteral("UTF-16"), QStringLiteral("Big5")});
    m_header = new QCheckBox(QStringLiteral("第一列為欄位名稱"), this);
    m_header->setObjectName(QStringLiteral("chkHeader"));
    m_header->setAccessibleName(m_header->text());
    auto *top = new QHBoxLayout;
    auto *encodingLabel = new QLabel(QStringLiteral("編碼："), this);
    encodingLabel->setBuddy(m_encoding);
    top->addWidget(encodingLabel);
    top->addWidget(m_encoding);
    top->addSpacing(16);
    top->addWidget(m_header);
    top->addStretch();

    auto *mapping = new QFormLayout;
    const QStringList names = importFieldNames(kind);
    for (int f = 0; f < names.size(); ++f) {
        auto *box = new QComboBox(this);
        box->setObjectName(QStringLiteral("cboField%1").arg(f));
        box->setAccessibleName(names[f]);
        auto *label = new QLabel(names[f] + QStringLiteral("："), this);
        label->setBuddy(box);
        mapping->addRow(label, box);
        m_fields << box;
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                replan();
        });
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fileLabel);
    layout->addLayout(top);
    layout->addLayout(mapping);
    if (kind == ImportKind::Institutions) {
        m_merge = choice(layout, {QStringLiteral("合併（代碼相同者更新名稱）"), QStringLiteral("optMerge")},
                         {QStringLiteral("全部取代"), QStringLiteral("optReplace")}, &m_replace);
    }
    if (kind == ImportKind::Payees) {
        choice(layout, {QStringLiteral("只新增（代碼已有者為錯誤）"), QStringLiteral("optAddOnly")},
               {QStringLiteral("新增並更新（代碼已有者改為檔案的資料）"), QStringLiteral("optUpdate")}, &m_update);
    }
    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("grdPreview"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setColumnCount(int(names.size()));
    m_preview->setHorizontalHeaderLabels(names);
    m_preview->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_changesLabel = new QLabel(QStringLiteral("更新的收款人："), this);
    m_changes = new QTableView(this);
    m_changes->setObjectName(QStringLiteral("grdChanges"));
    m_changes->setAccessibleName(QStringLiteral("更新的收款人"));
    m_changes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_changes->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_changes->setModel(new ChangeModel(m_changes));
    m_changesLabel->setBuddy(m_changes);
    m_errors = new QListWidget(this);
    m_errors->setObjectName(QStringLiteral("lstErrors"));
    m_errors->setAccessibleName(QStringLiteral("錯誤"));
    m_warningsLabel = new QLabel(QStringLiteral("注意（不影響匯入）："), this);
    m_warnings = new QListWidget(this);
    m_warnings->setObjectName(QStringLiteral("lstWarnings"));
    m_warnings->setAccessibleName(QStringLiteral("注意（不影響匯入）"));
    m_warnings->setIconSize(QSize(16, 16));
    m_warningsLabel->setBuddy(m_warnings);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblCount"));
    m_import = new QPushButton(QStringLiteral("匯入"), this);
    m_import->setObjectName(QStringLiteral("cmdImport"));
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_count, 1);
    buttons->addWidget(m_import);
    buttons->addWidget(cancel);
    layout->addWidget(m_preview, 3);
    layout->addWidget(m_changesLabel);
    layout->addWidget(m_changes, 2);
    m_errorsLabel = new QLabel(QStringLiteral("錯誤："), this);
    m_errorsLabel->setBuddy(m_errors);
    layout->addWidget(m_errorsLabel);
    layout->addWidget(m_errors, 1);
    layout->addWidget(m_warningsLabel);
    layout->addWidget(m_warnings, 1);
    layout->addLayout(buttons);
    resize(860, 680);

    connect(m_encoding, &QComboBox::currentIndexChanged, this, &ImportDialog::reread);
    connect(m_header, &QCheckBox::toggled, this, &ImportDialog::reread);
    connect(m_import, &QPushButton::clicked, this, &ImportDialog::importRows);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    reread();
}

void ImportDialog::reread()
{
    if (m_filling)
        return;
    // The header choice the user made is kept; at first the file decides.
    const std::optional<bool> header = m_file ? std::optional<bool>(m_header->isChecked()) : std::nullopt;
    m_file = readImportFile(m_bytes, m_kind, kEncodings.value(m_encoding->currentIndex()), &m_readProblem, header);
    m_filling = true;
    if (m_file) {
        m_header->setChecked(m_file->hasHeader);
        if (m_encoding->currentIndex() == 0)
            m_encoding->setItemText(0, QStringLiteral("自動偵測（%1）").arg(CsvText::encodingName(m_file->encoding)));
    }
    fillColumnChoices();
    m_filling = false;
    replan();
}

void ImportDialog::fillColumnChoices()
{
    QStringList choices{QStringLiteral("（不匯入）")};
    for (int c = 0; m_file && c < m_file->columnCount; ++c) {
        const QString sample = m_file->hasHeader ? m_file->header.value(c) : m_file->rows.value(0).value(c);
        choices << QStringLiteral("第 %1 欄：%2").arg(c + 1).arg(sample);
    }
    QList<int> mapping = m_file ? guessMapping(m_kind, *m_file) : QList<int>();
    // The mapping confirmed last time, for a file laid out the same way.
    const KeptMapping kept = keptMappings().value(int(m_kind));
    if (m_file && kept.mapping.size() == m_fields.size() && kept.columns == m_file->columnCount && kept.header == m_file->header)
        mapping = kept.mapping;
    for (int f = 0; f < m_fields.size(); ++f) {
        m_fields[f]->clear();
        m_fields[f]->addItems(choices);
        m_fields[f]->setCurrentIndex(mapping.value(f, -1) + 1);
    }
}

void ImportDialog::replan()
{
    if (m_filling)
        return;
    m_errors->clear();
    m_warnings->clear();
    m_preview->setRowCount(0);
    auto *changes = static_cast<ChangeModel *>(m_changes->model());
    changes->setChanges({});
    const bool updating = m_update && m_update->isChecked();
    m_changesLabel->setVisible(updating);
    m_changes->setVisible(updating);
    if (!m_file) {
        m_plan = {};
        m_errors->addItem(m_readProblem);
        m_errorsLabel->show();
        m_errors->show();
        m_warningsLabel->hide();
        m_warnings->hide();
        m_count->setText(QStringLiteral("無法讀取檔案"));
        m_import->setEnabled(false);
        return;
    }
    QList<int> mapping;
    for (QComboBox *box : std::as_const(m_fields))
        mapping << box->currentIndex() - 1;
    const ImportMode mode = m_replace && m_replace->isChecked() ? ImportMode::Replace : updating ? ImportMode::Update : ImportMode::Merge;
    m_plan = planImport(m_store, m_kind, *m_file, mapping, mode, m_reference);
    m_preview->setRowCount(int(m_file->rows.size()));
    for (int r = 0; r < m_file->rows.size(); ++r) {
        for (int f = 0; f < m_fields.size(); ++f)
            m_preview->setItem(r, f, new QTableWidgetItem(mapping[f] >= 0 ? m_file->rows[r].value(mapping[f]) : QString()));
    }
    // A row warned about stands out less than one in error, and its list has its own sign.
    const auto mark = [this](const RowError &e, const QColor &colour) {
        for (int f = 0; e.row > 0 && f < m_fields.size(); ++f) {
            if (QTableWidgetItem *item = m_preview->item(e.row - 1, f))
                item->setBackground(colour);
        }
    };
    const QIcon warningIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const RowError &w : std::as_const(m_plan.warnings)) {
        m_warnings->addItem(new QListWidgetItem(warningIcon, w.text()));
        mark(w, QColor(255, 240, 190));
    }
    m_warningsLabel->setVisible(!m_plan.warnings.isEmpty());
    m_warnings->setVisible(!m_plan.warnings.isEmpty());
    for (const RowError &e : std::as_const(m_plan.errors)) {
        m_errors->addItem(e.text());
        mark(e, QColor(255, 220, 220));
    }
    // Lists with nothing to say give their room to the rows.
    m_errorsLabel->setVisible(!m_plan.errors.isEmpty());
    m_errors->setVisible(!m_plan.errors.isEmpty());
    fitColumns(m_preview);
    if (updating) {
        changes->setChanges(m_plan.fieldChanges());
        fitColumns(m_changes);
    }
    const QString warned = m_plan.warnings.isEmpty() ? QString() : QStringLiteral("；%1 項注意，請看下方").arg(m_plan.warnings.size());
    if (m_plan.ok())
        m_count->setText(QStringLiteral("共 %1 筆，將%2").arg(m_file->rows.size()).arg(m_plan.summary()) + warned);
    else
        m_count->setText(QStringLiteral("共 %1 筆，有 %2 項錯誤：修正後才能匯入").arg(m_file->rows.size()).arg(m_plan.errors.size()) + warned);
    m_import->setEnabled(m_plan.ok() && !m_plan.records.isEmpty());
}

void ImportDialog::importRows()
{
    if (!m_plan.ok() || m_plan.records.isEmpty())
        return;
    const ImportOutcome written = writeImport(m_store, m_plan);
    if (!written.written) {
        tell(m_context.dialogs(), this, written.notices.value(0));
        return;
    }
    QList<int> mapping;
    for (QComboBox *box : std::as_const(m_fields))
        mapping << box->currentIndex() - 1;
    keptMappings().insert(int(m_kind), {m_file->header, m_file->columnCount, mapping});
    m_context.dialogs().inform(this, written.notices.value(0).text);
    accept();
}

void addExchangeCommands(EditingWindow *window, AppContext &context, ImportKind kind)
{
    const auto storeFor = [&context, kind, window]() -> Store * {
        if (kind != ImportKind::Institutions)
            return context.working();
        Store *reference = context.reference();
        if (!reference)
            context.dialogs().critical(window, context.referenceProblemText());
        return reference;
    };
    QPushButton *import = window->addCommand(QStringLiteral("匯入…"), QStringLiteral("cmdImport"), [&context, kind, window, storeFor] {
        Store *store = storeFor();
        if (!store)
            return;
        const QString path = context.dialogs().openFile(window, QStringLiteral("選擇要匯入的") + kindName(kind) + QStringLiteral("檔案"),
                                                        QStringLiteral("試算表檔案 (*.csv *.txt);;所有檔案 (*)"), QDir::homePath());
        if (path.isEmpty())
            return;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            context.dialogs().critical(window, QStringLiteral("無法讀取 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
            return;
        }
        ImportDialog dialog(context, kind, *store, file.readAll(), path, window);
        if (dialog.exec() == QDialog::Accepted)
            window->ReloadAll();
    });
    // Reached from the keyboard too, by keys the editing functions leave free.
    import->setShortcut(QKeySequence(QStringLiteral("Alt+I")));
    import->setToolTip(QStringLiteral("匯入試算表檔案 (Alt+I)"));
    QPushButton *exportButton = window->addCommand(QStringLiteral("匯出…"), QStringLiteral("cmdExport"), [&context, kind, window, storeFor] {
        Store *store = storeFor();
        if (!store)
            return;
        const QString path = context.dialogs().saveFile(window, QStringLiteral("匯出") + kindName(kind), QStringLiteral("CSV 檔案 (*.csv)"),
                                                        QStringLiteral("CSV 檔案 (*.csv)"), QDir::homePath(), true);
        if (path.isEmpty())
            return;
        tell(context.dialogs(), window, exportFile(*store, kind, path).notice);
    });
    exportButton->setShortcut(QKeySequence(QStringLiteral("Alt+E")));
    exportButton->setToolTip(QStringLiteral("匯出成試算表檔案 (Alt+E)"));
}
