#pragma once

#include "core/platform/notice.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class AppContext;
class FieldMoves;
class QLineEdit;
struct BatchHeader;
struct StoreResult;

// The three batch header fields (remittance date, batch number, purpose) with their
// hints, checks, moves and store. The batch-file window and the remittance entry
// window's batch tab host them, with the small differences of Host.
class BatchHeaderFields : public QWidget {
    Q_OBJECT
public:
    enum class Host {
        BatchFile, // date proposed from the store, fields checked when left
        EntryTab,  // date always today, checks only on the tab's confirm button
    };

    BatchHeaderFields(AppContext &context, Host host, QWidget *parent = nullptr);

    QLineEdit *dateField() const { return m_fields[0]; }
    QLineEdit *batchField() const { return m_fields[1]; }
    QLineEdit *purposeField() const { return m_fields[2]; }

    // Where Up from the date field and Enter or Down from the purpose field go.
    void setMoveTargets(QWidget *aboveDate, QWidget *belowPurpose);

    BatchHeader values() const;

    // Fills the fields from the store (empty texts when there is no header yet).
    void LoadHeader();
    // Stores the fields trimmed; tells the user and returns false when it could not.
    bool StoreHeader();
    // The date check: a valid ROC date, not before today.
    bool checkDate();
    // The batch number check against the date field.
    bool checkBatchNo();
    // Shows a notice about the header and puts the focus on the field it names.
    void tell(const Notice &notice);

    // Set when a check has just told the user and sent the focus back; while set, leaving
    // a field checks nothing. Cleared when a key goes down in a field.
    bool MessageShown = false;

private:
    void entered(int index);
    void left(int index);
    std::optional<Notice> problemOf(int index) const;
    // Tells a check's problem: while it shows, leaving a field checks nothing.
    void refuse(const Notice &problem);
    void reportStoreFailure(const StoreResult &result);

    AppContext &m_context;
    Host m_host;
    QLineEdit *m_fields[3] = {};
    FieldMoves *m_moves = nullptr;
    QPointer<QWidget> m_aboveDate;
    QPointer<QWidget> m_belowPurpose;
};
