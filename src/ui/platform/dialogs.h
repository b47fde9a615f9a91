#pragma once

#include "core/platform/notice.h"
#include "core/store/storeresult.h"

#include <QFont>
#include <QString>

#include <optional>

class QWidget;

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// Page settings the print setup dialog edits.
struct PrintSetup {
    bool landscape = true;
    int copies = 1;
    QString printerName; // empty: the system's default printer
};

// Every message box and file, font and print dialog of the program goes through
// this interface, so that tests can see and answer each of them.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box; a title left empty shows the application title.
    virtual MsgAnswer message(QWidget *parent, const QString &text, const QString &title,
                              MsgIcon icon, MsgButtons buttons, MsgAnswer defaultButton) = 0;

    // An existing file to read, or an empty text when the user cancels.
    virtual QString openFile(QWidget *parent, const QString &title, const QString &filter,
                             const QString &folder) = 0;

    // A file to write, or an empty text when the user cancels. The filter lists entries
    // separated by ";;", selectedFilter is the entry offered first. With confirmOverwrite
    // the user is asked before an existing file is chosen.
    virtual QString saveFile(QWidget *parent, const QString &title, const QString &filter,
                             const QString &selectedFilter, const QString &folder,
                             bool confirmOverwrite) = 0;

    virtual std::optional<QFont> chooseFont(QWidget *parent, const QFont &initial) = 0;

    // Lets the user edit the settings; false when cancelled.
    virtual bool printSetup(QWidget *parent, PrintSetup &setup) = 0;

    // Opens the guide at the page of the window with that objectName; at its first page
    // when the name is empty or has no page of its own.
    virtual void openGuide(QWidget *parent, const QString &window) = 0;

    // The usual input-error box: critical icon, OK button.
    void critical(QWidget *parent, const QString &text, const QString &title = {})
    {
        message(parent, text, title, MsgIcon::Critical, MsgButtons::Ok, MsgAnswer::Ok);
    }
    void inform(QWidget *parent, const QString &text, const QString &title = {})
    {
        message(parent, text, title, MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok);
    }
};

// The real dialogs of Qt, and the guide read from its file.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QString guideFile = {}) : m_guideFile(std::move(guideFile)) {}
    MsgAnswer message(QWidget *parent, const QString &text, const QString &title, MsgIcon icon,
                      MsgButtons buttons, MsgAnswer defaultButton) override;
    QString openFile(QWidget *parent, const QString &title, const QString &filter,
                     const QString &folder) override;
    QString saveFile(QWidget *parent, const QString &title, const QString &filter,
                     const QString &selectedFilter, const QString &folder, bool confirmOverwrite) override;
    std::optional<QFont> chooseFont(QWidget *parent, const QFont &initial) override;
    bool printSetup(QWidget *parent, PrintSetup &setup) override;
    void openGuide(QWidget *parent, const QString &window) override;

private:
    QString m_guideFile;
};

// Gives a top-level window a size that shows all its controls yet fits the owner's screen,
// and centres it over the owner's window (without one: on the screen), inside the screen.
void placeOver(QWidget *window, const QWidget *owner);

// Shows a notice in a box with its title (the application title when it has none) and OK only.
void tell(Dialogs &dialogs, QWidget *parent, const Notice &notice);
// Tells the user the one message for a data file's failure.
void tellStoreFailure(Dialogs &dialogs, QWidget *parent, const StoreResult &result, const QString &storePath);
