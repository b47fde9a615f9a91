#include "core/store/schema.h"

#include "core/store/enginestatement.h"
#include "core/store/fieldroutines.h"

#include <QStringList>

#include <sqlite3.h>

#include <memory>

int TableDef::ordinalOf(const QString &column) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList TableDef::labels(const QList<int> &ordinals) const
{
    QStringList out;
    for (int ordinal : ordinals)
        out << columns[ordinal].label;
    return out;
}

namespace {

using Statement = EngineStatement;

QString columnText(sqlite3_stmt *s, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, column)), sqlite3_column_bytes(s, column));
}

// Whether a column of the declared type keeps a text as it was stored. The engine gives
// a column the affinity of the first rule that matches: "INT" makes it an integer column
// (so "VARCHARINT" too), then "CHAR", "CLOB" or "TEXT" a text column, then "BLOB" or no
// type one that keeps every value as given; anything else converts number-like text.
// A STRICT table knows only six types, and keeps text as given only in TEXT and ANY.
bool keepsText(const QString &declared, bool strict)
{
    const QString type = declared.trimmed().toUpper();
    if (strict)
        return type == QLatin1String("TEXT") || type == QLatin1String("ANY");
    if (type.contains(QLatin1String("INT")))
        return false;
    return type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) || type.contains(QLatin1String("TEXT"))
        || type.contains(QLatin1String("BLOB")) || type.isEmpty();
}

} // namespace

namespace Schema {

// The bank reads the account in 14 positions: a shorter one is stored filled with blanks.
static QString accountAsStored(const QString &account)
{
    return account.size() < 14 ? SpacePadRight(14, account) : account;
}

// No fee keyed is a fee of 0.
static QString feeAsStored(const QString &fee)
{
    return fee.isEmpty() ? QStringLiteral("0") : fee;
}

const QList<TableDef> &working()
{
    static const QList<TableDef> tables = [] {
        // The payee's four columns, the same in the payee master and in a line.
        const ColumnDef code{"R_ID", 7, "收款人代碼", {"代碼", "編號", "code", "payeecode", "id"}};
        const ColumnDef account{"ACTNO", 14, "收款人帳號", {"帳號", "account", "accountno", "acct"}, true, accountAsStored};
        const ColumnDef bank{"TRFBK", 7, "解款行代號", {"解款行", "銀行代號", "金融機構代碼", "bank", "bankcode", "institution"}, true};
        const ColumnDef name{"R_NAME", 68, "收款人姓名", {"收款人名稱", "姓名", "名稱", "戶名", "name", "payee"}};
        QList<ColumnDef> presets;
        for (int k = 1; k <= 10; ++k)
            presets.append({QStringLiteral("MARK%1").arg(k), PresetWidth});
        return QList<TableDef>{
            {Table::R_BASE,
             {{"BRNO", 3, "匯款行代號"}, {"RMTNAME", 68, "匯款人姓名"}, {"RMTKIND", 2, "匯款種類"}, {"NOTE1", 50, "加註 1"},
              {"NOTE2", 50, "加註 2"}, {"NOTE3", 50, "加註 3"}}},
            {Table::R_CUST, {code, account, bank, name}, true},
            {Table::R_DETL,
             {code, account, bank, name,
              {"AMT", 10, "匯款金額", {"金額", "amount", "amt"}, true, nullptr, "匯 款 金 額 ：", {}, true},
              {"MARK", 50, "備註", {"附言", "remark", "memo", "note"}},
              {"AMT2", 10, "代扣手續費", {"手續費", "fee", "charge"}, false, feeAsStored, {}, {}, true}}},
            {Table::R_DAY, {{"RMTDATE", 6, "匯款日"}, {"BATCHNO", 10, "批號"}, {"PURPOSE", PurposeWidth, "用途"}}},
            {Table::NNOO, presets},
        };
    }();
    return tables;
}

QString codeIndexSql(const TableDef &def)
{
    return QStringLiteral("CREATE INDEX %1_%2 ON %1 (%2 COLLATE NOCASE)").arg(def.name, def.columns[0].name);
}

const QList<TableDef> &reference()
{
    static const QList<TableDef> tables = {
        {Table::VXBANK,
         {{"BKBRNO", 7, "金融機構代碼", {"代碼", "代號", "解款行代號", "code", "bankcode"}, true, nullptr, "金融機構代碼 ：", "金融機構代碼 "},
          {"BNAME", 10, "簡稱", {"名稱", "shortname", "short"}, false, nullptr, "金融機構簡稱 ：", "金融機構簡稱 "},
          {"FNAME", 60, "全名", {"全稱", "fullname", "full"}, false, nullptr, "金融機構名稱 ：", "金融機構名稱 "}},
         true},
    };
    return tables;
}

const TableDef *find(const QString &table)
{
    for (const auto *list : {&working(), &reference()}) {
        for (const TableDef &def : *list) {
            if (def.name.compare(table, Qt::CaseInsensitive) == 0)
                return &def;
        }
    }
    return nullptr;
}

const TableDef &table(const QString &name)
{
    const TableDef *def = find(name);
    Q_ASSERT_X(def, "Schema::table", "unknown table");
    return *def;
}

TableCheck checkTable(sqlite3 *db, const TableDef &def, Columns columns, Qt::CaseSensitivity nameCase)
{
    if (!db)
        return {QStringLiteral("資料檔未開啟"), SQLITE_MISUSE};
    const auto engine = [db](int rc) { return TableCheck{QString::fromUtf8(sqlite3_errmsg(db)), rc}; };
    const auto fault = [](const QString &text) { return TableCheck{text, 0}; };
    const auto prepare = [db](const char *sql, const QString &name, int *rc) {
        Statement s = prepareStatement(db, sql, rc);
        const QByteArray utf8 = name.toUtf8();
        if (*rc == SQLITE_OK)
            *rc = sqlite3_bind_text(s.get(), 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return s;
    };
    int rc = SQLITE_OK;
    // Tables of the file itself: a temporary or attached table of the same name is none of its.
    Statement list = prepare("SELECT name, type, wr, strict FROM pragma_table_list(?1) WHERE schema = 'main'", def.name, &rc);
    if (rc != SQLITE_OK)
        return engine(rc);
    rc = sqlite3_step(list.get());
    if (rc == SQLITE_DONE || (rc == SQLITE_ROW && columnText(list.get(), 0).compare(def.name, nameCase) != 0))
        return fault(QStringLiteral("資料檔缺少資料表 %1").arg(def.name));
    if (rc != SQLITE_ROW)
        return engine(rc);
    const QString type = columnText(list.get(), 1);
    if (type == QLatin1String("view"))
        return fault(QStringLiteral("資料檔的 %1 不是資料表（是檢視）").arg(def.name));
    // A virtual table's rows come from code that this program does not have.
    if (type != QLatin1String("table"))
        return fault(QStringLiteral("資料檔的 %1 不是資料表（是虛擬資料表）").arg(def.name));
    // Lines are read in the order they were entered, which only the rowid keeps.
    if (sqlite3_column_int(list.get(), 2) != 0)
        return fault(QStringLiteral("資料表 %1 宣告為 WITHOUT ROWID，無法依輸入順序讀取").arg(def.name));
    const bool strict = sqlite3_column_int(list.get(), 3) != 0;

    Statement info = prepare("SELECT name, type, hidden FROM pragma_table_xinfo(?1, 'main')", def.name, &rc);
    if (rc != SQLITE_OK)
        return engine(rc);
    QStringList found;
    while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
        const QString name = columnText(info.get(), 0);
        const QString declared = columnText(info.get(), 1);
        // A computed column cannot be written, and shows in every row read.
        if (sqlite3_column_int(info.get(), 2) != 0)
            return fault(QStringLiteral("資料表 %1 的欄位 %2 是計算欄位 (GENERATED)").arg(def.name, name));
        // A column declared as a number would turn "0012" into 12: only text may hold the codes.
        if ((columns != Columns::Leading || found.size() < def.columns.size()) && !keepsText(declared, strict))
            return fault(QStringLiteral("資料表 %1 的欄位 %2 宣告為 %3，應為 TEXT").arg(def.name, name, declared));
        found << name;
    }
    if (rc != SQLITE_DONE)
        return engine(rc);
    const int expected = int(def.columns.size());
    switch (columns) {
    case Columns::Named: {
        QStringList names;
        for (const ColumnDef &c : def.columns)
            names << c.name;
        bool same = found.size() == names.size();
        for (int i = 0; same && i < found.size(); ++i)
            same = found[i].compare(names[i], Qt::CaseInsensitive) == 0;
        if (!same)
            return fault(QStringLiteral("資料表 %1 的欄位應為 %2，實為 %3")
                             .arg(def.name, names.join(QLatin1Char(',')), found.join(QLatin1Char(','))));
        break;
    }
    case Columns::Counted:
    case Columns::Leading:
        if (columns == Columns::Counted ? found.size() != expected : found.size() < expected)
            return fault(QStringLiteral("資料表 %1 有 %2 個欄位，應%3 %4 個")
                             .arg(def.name).arg(found.size())
                             .arg(columns == Columns::Counted ? QStringLiteral("為") : QStringLiteral("至少")).arg(expected));
        break;
    }
    return {};
}

} // namespace Schema
