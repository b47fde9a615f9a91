#pragma once

#include <QString>

// What a store operation came to. The windows tell the three failures apart by
// their engine codes, the numbers the bank's support staff know.
struct StoreResult {
    enum class Error { None, TooLong, ReadOnly, Other };

    static constexpr int TooLongCode = -2147217887;
    static constexpr int ReadOnlyCode = -2147467259;

    Error error = Error::None;
    int otherCode = 0; // the engine's own code for Other
    QString detail;
    int ordinal = -1;  // for TooLong: the column that did not fit

    bool ok() const { return error == Error::None; }
    int code() const
    {
        switch (error) {
        case Error::None: return 0;
        case Error::TooLong: return TooLongCode;
        case Error::ReadOnly: return ReadOnlyCode;
        case Error::Other: return otherCode;
        }
        return otherCode;
    }

    static StoreResult success() { return {}; }
    static StoreResult tooLong(QString detail) { return {Error::TooLong, 0, std::move(detail)}; }
    static StoreResult readOnly(QString detail) { return {Error::ReadOnly, 0, std::move(detail)}; }
    static StoreResult other(int code, QString detail) { return {Error::Other, code, std::move(detail)}; }
};
