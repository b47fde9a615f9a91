#pragma once

#include "ui/platform/commandgate.h"

#include <QDialog>

class AppContext;
class QLineEdit;
class QPushButton;

// "備註欄功能鍵設定": the ten remark presets offered in the entry window's remark box.
// "1.確定" stores them (the row is made by the first store); "2.取消" stores nothing.
class PresetWindow : public QDialog {
    Q_OBJECT
public:
    explicit PresetWindow(AppContext &context, QWidget *parent = nullptr);

    QLineEdit *field(int index) const { return m_fields[index]; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    void confirm();

private:
    AppContext &m_context;
    QLineEdit *m_fields[10] = {};
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    // Its buttons start nothing while one of its commands or messages is still open.
    CommandGate m_gate{this};
};
