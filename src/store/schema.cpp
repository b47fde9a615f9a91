#include "schema.h"

int TableDef::ordinalOf(const QString &column) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

namespace Schema {

const QList<TableDef> &working()
{
    static const QList<TableDef> tables = [] {
        QList<ColumnDef> presets;
        for (int k = 1; k <= 10; ++k)
            presets.append({QStringLiteral("MARK%1").arg(k), PresetWidth});
        return QList<TableDef>{
            {Table::R_BASE,
             {{"BRNO", 3}, {"RMTNAME", 68}, {"RMTKIND", 2}, {"NOTE1", 50}, {"NOTE2", 50}, {"NOTE3", 50}}},
            {Table::R_CUST, {{"R_ID", 7}, {"ACTNO", 14}, {"TRFBK", 7}, {"R_NAME", 68}}},
            {Table::R_DETL,
             {{"R_ID", 7}, {"ACTNO", 14}, {"TRFBK", 7}, {"R_NAME", 68}, {"AMT", 10}, {"MARK", 50}, {"AMT2", 10}}},
            {Table::R_DAY, {{"RMTDATE", 6}, {"BATCHNO", 10}, {"PURPOSE", PurposeWidth}}},
            {Table::NNOO, presets},
        };
    }();
    return tables;
}

const QList<TableDef> &reference()
{
    static const QList<TableDef> tables = {
        {Table::VXBANK, {{"BKBRNO", 7}, {"BNAME", 10}, {"FNAME", 60}}},
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

} // namespace Schema
