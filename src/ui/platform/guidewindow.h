#pragma once

#include <QDialog>
#include <QList>
#include <QTemporaryDir>
#include <QUrl>

class QHelpEngine;
class QLineEdit;
class QListWidget;
class QTextBrowser;
class QTreeWidget;

// The user guide: its contents on the left, a search over every page's text, and the page
// on the right. The guide file is Qt Help's compiled form; the window reads it through a
// help collection of its own, made afresh in a temporary folder, so nothing is written
// beside an installed program and an updated guide is never shown from a stale index.
class GuideWindow : public QDialog {
    Q_OBJECT
public:
    GuideWindow(const QString &guideFile, QWidget *parent = nullptr);
    ~GuideWindow() override;

    // Shows the page that belongs to the window with that objectName, else the first page.
    void showPageOf(const QString &window);
    // The page shown, as a qthelp:// address; empty when the guide could not be read.
    QUrl page() const;
    // The page of a window's objectName, empty when the guide has none.
    QUrl pageOf(const QString &window) const;
    // Why the guide cannot be shown; empty when it can.
    const QString &problem() const { return m_problem; }

    // Every page of the guide.
    QList<QUrl> pages();
    // A page's text as the reader sees it, tags left out.
    QString pageText(const QUrl &page);

private:
    struct Page {
        QUrl url;
        QString title;
        QString text;
    };
    void open(const QString &guideFile);
    void search();
    // Reads every page's title and text, once, for the search.
    void readPages();

    QTemporaryDir m_collectionDir;
    QHelpEngine *m_engine = nullptr;
    QString m_problem;
    QList<Page> m_pages;
    QTreeWidget *m_contents = nullptr;
    QLineEdit *m_query = nullptr;
    QListWidget *m_hits = nullptr;
    QTextBrowser *m_browser = nullptr;
};

// F1 in any window of the program opens the guide at that window's page, through the
// Dialogs seam. Installed on the application by the main window; other keys pass on.
class Dialogs;
class GuideKey : public QObject {
public:
    GuideKey(Dialogs &dialogs, QObject *parent) : QObject(parent), m_dialogs(dialogs) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Dialogs &m_dialogs;
    bool m_open = false;
};
