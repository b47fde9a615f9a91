#pragma once

#include "ui/platform/dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// The Dialogs double: answers each dialog from a queue of expectations and records what
// it was asked. A dialog that nobody expected, or one that differs from the expectation,
// is a failure that `problems()` reports; the test checks it in cleanup().
class ScriptedDialogs : public Dialogs {
public:
    struct Message {
        QString text;
        QString title;
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        MsgAnswer defaultButton = MsgAnswer::Ok;
    };

    // The next message must be exactly this one; it is answered with `answer`.
    void expectMessage(const Message &message, MsgAnswer answer = MsgAnswer::Ok);
    // The next file dialog must be a save (or open) dialog; it is answered with path.
    void expectSaveFile(const QString &title, const QString &filter, const QString &path);
    void expectOpenFile(const QString &title, const QString &filter, const QString &path);

    // The next font or print setup dialog is expected, and answered so (nothing: cancelled).
    // What the print setup dialog was opened with is kept in `printSetupShown`.
    void expectFont(std::optional<QFont> answer) { m_font = {answer}; }
    void expectPrintSetup(std::optional<PrintSetup> answer) { m_setup = {answer}; }
    PrintSetup printSetupShown;
    // Runs while the next message is open, as a user or a screen reader could act then.
    std::function<void()> whileNextMessage;

    const QList<Message> &shown() const { return m_shown; }
    // Unexpected or mismatched dialogs and expectations left unused; empty when all is well.
    QStringList problems() const;

    MsgAnswer message(QWidget *parent, const QString &text, const QString &title, MsgIcon icon,
                      MsgButtons buttons, MsgAnswer defaultButton) override;
    QString openFile(QWidget *parent, const QString &title, const QString &filter, const QString &folder) override;
    QString saveFile(QWidget *parent, const QString &title, const QString &filter, const QString &selectedFilter,
                     const QString &folder, bool confirmOverwrite) override;
    std::optional<QFont> chooseFont(QWidget *parent, const QFont &initial) override;
    bool printSetup(QWidget *parent, PrintSetup &setup) override;
    // The guide is never shown: the window each opening named is kept.
    void openGuide(QWidget *, const QString &window) override { guidesOpened << window; }
    QStringList guidesOpened;

    QString lastSaveFolder;
    QString lastSelectedFilter;
    bool lastConfirmOverwrite = false;

private:
    struct Expectation {
        enum class Kind { Message, SaveFile, OpenFile } kind;
        Message message;
        MsgAnswer answer = MsgAnswer::Ok;
        QString title, filter, path;
    };
    std::optional<Expectation> next(Expectation::Kind kind, const QString &what);

    std::optional<std::optional<QFont>> m_font;
    std::optional<std::optional<PrintSetup>> m_setup;
    QList<Expectation> m_queue;
    QList<Message> m_shown;
    QStringList m_problems;
};

QString describe(const ScriptedDialogs::Message &m);
