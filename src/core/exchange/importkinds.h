#pragma once

#include "core/exchange/importer.h"

// What the importer knows of a kind of row, shared by reading, planning and export.
struct ImportKindDef {
    QString table;
    QStringList fields;             // as the user knows them, in the table's order
    QList<int> ordinals;            // the table column of each field
    QList<QStringList> headerNames; // what a header may call each field, compared loosely
};

const ImportKindDef &importKindDef(ImportKind kind);
