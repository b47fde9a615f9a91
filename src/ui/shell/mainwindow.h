#pragma once

#include "ui/platform/commandgate.h"
#include "ui/platform/dialogs.h"

#include <QMainWindow>
#include <QPointer>

#include <array>

class AppContext;
class QAction;
class QDialog;
class QLabel;
class QPushButton;
struct StoreResult;

// The main menu: eight numbered buttons, the remitter banner and the menu bar. Every
// other window opens modally from here.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Opens the working store, telling the user why when it cannot; false means the
    // program must end.
    bool load();

    // Re-reads the remitter and the lines and enables the buttons to match.
    void RefreshMenu();

    // Set while the shell reloads its windows: closing then only closes this window.
    void setReloading(bool reloading) { m_reloading = reloading; }
    bool reloading() const { return m_reloading; }

    QPushButton *button(int number) const { return m_buttons[number - 1]; }
    QString bannerText() const;

    // Closes the editing windows kept between openings, so the next opening reads afresh.
    void unloadEditingWindows();
    // Closes every window it opened, as before the store is closed.
    void unloadWindows();

    // A message box of this window; closing it is no return from another window.
    MsgAnswer say(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons,
                  MsgAnswer defaultButton);

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenu();
    void buildContent();
    void onButton(int number);
    // Whether the batch has lines; when not, says so with the message given.
    bool hasLines(const QString &noLinesMessage);
    // Opens one of the program's windows modally; coming back counts as an activation.
    void openWindow(QDialog *window);
    // Every window opens so: centred over this one, at a size that fits the screen.
    void showModal(QDialog *window);
    void newBatch();
    // The window a button opens, made anew unless it is kept; none while it is open.
    QDialog *windowFor(int number);
    void sayStoreFailure(const StoreResult &result);

    AppContext &m_context;
    QLabel *m_banner = nullptr;
    std::array<QPushButton *, 8> m_buttons{};
    std::array<QPointer<QDialog>, 8> m_windows{};
    bool m_reloading = false;
    // RefreshMenu ran since the window last lost the focus to another window; the
    // activation that follows closing one of our own message boxes does not count.
    bool m_fresh = false;
    bool m_inOwnMessage = false;
    // Buttons and menu commands start nothing while one of them runs.
    CommandGate m_gate{this};
};
