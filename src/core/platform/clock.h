#pragma once

#include <QDateTime>

// Today's date and the time now; tests fix them.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    QDate today() const override;
    QDateTime now() const override;
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDate date) : m_date(date) {}
    QDate today() const override { return m_date; }
    // Half past nine on the fixed day.
    QDateTime now() const override { return QDateTime(m_date, QTime(9, 30)); }
    void set(QDate date) { m_date = date; }

private:
    QDate m_date;
};
