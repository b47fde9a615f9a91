#include "ui/exchange/importdialog.h"

#include "core/services/exchangerun.h"

#include "ui/editing/editingwindow.h"
#include "core/platform/atomicfile.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/store/schema.h"
#include "core/store/store.h"
#include "core/store/storefailure.h"

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

const QList<std::optional<CsvText::Encoding>> kEncodings{std::nullopt, CsvText::Encoding::Utf8, CsvText::Encoding::Utf16,
                                                         CsvText::Encoding::Big5};

} // namespace

ImportDialog::ImportDialog(AppContext &context, ImportKind kind, Store &store, const QByteArray &bytes, const QString &path,
                           QWidget *parent)
    : QDialog(parent), m_context(context), m_kind(kind), m_store(store), m_bytes(bytes)
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
        m_merge = new QRadioButton(QStringLiteral("合併（代碼相同者更新名稱）"), this);
        m_merge->setObjectName(QStringLiteral("optMerge"));
        m_replace = new QRadioButton(QStringLiteral("全部取代"), this);
        m_replace->setObjectName(QStringLiteral("optReplace"));
        m_merge->setChecked(true);
        auto *modes = new QHBoxLayout;
        modes->addWidget(m_merge);
        modes->addWidget(m_replace);
        modes->addStretch();
        layout->addLayout(modes);
        connect(m_replace, &QRadioButton::toggled, this, &ImportDialog::replan);
    }
    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("grdPreview"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setColumnCount(int(names.size()));
    m_preview->setHorizontalHeaderLabels(names);
    m_preview->horizontalHeader()->setStretchLastSection(true);
    m_errors = new QListWidget(this);
    m_errors->setObjectName(QStringLiteral("lstErrors"));
    m_errors->setAccessibleName(QStringLiteral("錯誤"));
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
    layout->addWidget(new QLabel(QStringLiteral("錯誤："), this));
    layout->addWidget(m_errors, 1);
    layout->addLayout(buttons);
    resize(820, 600);

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
    m_preview->setRowCount(0);
    if (!m_file) {
        m_plan = {};
        m_errors->addItem(m_readProblem);
        m_count->setText(QStringLiteral("無法讀取檔案"));
        m_import->setEnabled(false);
        return;
    }
    QList<int> mapping;
    for (QComboBox *box : std::as_const(m_fields))
        mapping << box->currentIndex() - 1;
    const ImportMode mode = m_replace && m_replace->isChecked() ? ImportMode::Replace : ImportMode::Merge;
    m_plan = planImport(m_store, m_kind, *m_file, mapping, mode);
    m_preview->setRowCount(int(m_file->rows.size()));
    for (int r = 0; r < m_file->rows.size(); ++r) {
        for (int f = 0; f < m_fields.size(); ++f)
            m_preview->setItem(r, f, new QTableWidgetItem(mapping[f] >= 0 ? m_file->rows[r].value(mapping[f]) : QString()));
    }
    for (const RowError &e : std::as_const(m_plan.errors)) {
        m_errors->addItem(e.text());
        // The row in error stands out in the preview.
        for (int f = 0; e.row > 0 && f < m_fields.size(); ++f) {
            if (QTableWidgetItem *item = m_preview->item(e.row - 1, f))
                item->setBackground(QColor(255, 220, 220));
        }
    }
    if (m_plan.ok())
        m_count->setText(QStringLiteral("共 %1 筆，將%2").arg(m_file->rows.size()).arg(m_plan.summary()));
    else
        m_count->setText(QStringLiteral("共 %1 筆，有 %2 項錯誤：修正後才能匯入").arg(m_file->rows.size()).arg(m_plan.errors.size()));
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
