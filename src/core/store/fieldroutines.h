#pragma once

#include <QString>

class Clock;
class Store;

// The small routines every window uses to check and shape field values. All but
// InstNameLabel are pure functions of their arguments and the clock.

// Today as an ROC date: mode 1 gives "yy/M/d" (the list's tabulation date), any other
// mode "yymmdd".
QString RocToday(const Clock &clock, const QString &mode);
QString RocToday(const Clock &clock, int mode);

// 1 valid; -1 not six characters; -2 no such day in that month; -3 no such month.
int CheckRocDate(const QString &text);

// Batch number yymmddxxnn against the remittance date: 1 valid; -1 not ten characters;
// -2 its date differs; -3 sub-batch number 00; -4 customer code below 10.
int CheckBatchNo(const QString &batch, const QString &date);

// Check digit of the six-digit bank-and-branch prefix of an institution code; "*" when
// the code is shorter than six characters.
QString InstCheckDigit(const QString &code);

// The remitter's home branch as an institution code: the home bank code, the branch as given, and
// its check character.
QString HomeBankCode(const QString &branch);

// Whether a Korvana account number (twelve digits) carries its check digit.
bool CheckHomeAccount(const QString &account);

// "[full name]" of the institution as stored now in the reference store, or
// "[代碼檔未建]" when the code is not there (or the reference store is not available).
QString InstNameLabel(Store *reference, const QString &code);

// Whether the text is one or more of the digits 0 to 9 and nothing else.
bool IsDigits(const QString &text);

// The text without the blanks (U+0020) at its end.
QString TrimRightBlanks(QString text);

// Whether the text takes at most n Big5 bytes.
bool FitsBig5(const QString &text, int n);

// What is wrong with a keyed text for a column of `width` Big5 bytes, in the words every
// window uses: too long, blank, or not writable in Big5 (naming the field). Empty when
// nothing is.
QString FieldTextProblem(const QString &text, int width, const QString &fieldName);

// Zeros before a text shorter than n characters; a blank or long text stays as it is.
QString ZeroPadLeft(int n, const QString &text);

// Blanks after a text shorter than n Big5 bytes; never cuts.
QString SpacePadRight(int n, const QString &text);

// Number of Big5 bytes of the text.
int Big5Length(const QString &text);

// count Big5 bytes from byte position start (the first is 1). Half a two-byte character
// at either end becomes a blank, so the piece keeps its width.
QString Big5Mid(const QString &text, int start, int count);

// The text without the blanks (U+0020) at either end. Other white space, the
// full-width blank among it, is part of the text and keeps its Big5 width.
QString TrimBlanks(const QString &text);

// The value of the digits a trimmed text begins with (0 when none), the way amounts
// are added up.
qint64 NumberValue(const QString &text);

// Whether the text reaches a Big5 file exactly as it stands: every character has a
// Big5 form (the user-defined characters U+E000 to U+F848 have), none is a control
// character, and none turns into nothing or into another character on the way.
bool IsBig5Text(const QString &text);

// Why a text would not reach a Big5 file as it stands.
enum class TextFault {
    None,
    Control, // a C0 or C1 control character (tab, line break, U+0080 to U+009F)
    NotBig5, // a character with no Big5 form, or one that turns into nothing or another
};
// `bytes`, when given, receives the text's Big5 form.
TextFault Big5TextFault(const QString &text, QByteArray *bytes = nullptr);
