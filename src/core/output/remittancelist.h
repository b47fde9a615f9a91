#pragma once

#include "core/output/money.h"

#include <QList>
#include <QString>
#include <QStringList>

// One remittance line as the list shows it.
struct ListLineRow {
    QString payee; // R_ID, named when a value cannot be added up
    QString account, bank, name, amount, remark, fee;
};

// What the remittance list is made of: the remitter, the lines in the chosen order, the
// batch header and the home branch as the window read them, and today.
struct ListInput {
    bool hasRemitter = false;
    QString name, note1, note2, note3; // R_BASE, blanks removed at both ends
    QList<ListLineRow> lines;
    QString headerDate, headerBatch, headerPurpose;
    QString homeBankCode;  // the home bank code + branch + check character
    QString homeBankLabel; // " [name]"
    QString today;         // the tabulation date, yy/M/d
};

// The list the customer signs and hands to the bank with the file: fixed-pitch lines
// counted in Big5 bytes, 30 lines a page.
struct ListResult {
    QStringList lines;  // what is printed; an entry may begin with line breaks
    QString preview;    // the lines joined by CR LF, as the preview box shows them
    // Payee codes of lines whose amount or fee is not a whole number, or too long for its
    // column: those lines carry "*" for what cannot be shown, and what cannot be shown
    // is left out of the totals (a good amount still counts).
    QStringList notCounted;
    // Set when a total does not fit its column: the totals then show "*" only.
    bool totalsTooLarge = false;
};

// The remittance list; with no remitter it holds nothing (the window says why).
ListResult BuildList(const ListInput &in);
