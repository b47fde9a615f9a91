#include "ui/platform/guidewindow.h"

#include "ui/platform/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

namespace {

const QString kNamespace = QStringLiteral("talvek.guide");
const QUrl kFirstPage(QStringLiteral("qthelp://talvek.guide/guide/index.html"));

// Shows the guide's pages, pictures and style from the help file.
class GuideBrowser : public QTextBrowser {
public:
    GuideBrowser(QHelpEngine *&engine, QWidget *parent) : QTextBrowser(parent), m_engine(engine) {}

    QVariant loadResource(int type, const QUrl &name) override
    {
        if (m_engine && name.scheme() == QLatin1String("qthelp")) {
            const QByteArray data = m_engine->fileData(name);
            if (type == QTextDocument::ImageResource)
                return data;
            return QString::fromUtf8(data);
        }
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngine *&m_engine;
};

} // namespace

GuideWindow::GuideWindow(const QString &guideFile, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGuide"));
    setWindowTitle(QStringLiteral("Talvek 使用說明"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    resize(1000, 700);

    m_browser = new GuideBrowser(m_engine, this);
    m_browser->setObjectName(QStringLiteral("txtPage"));
    m_browser->setAccessibleName(QStringLiteral("說明內容"));
    m_browser->setOpenExternalLinks(false);

    auto *tabs = new QTabWidget(this);
    m_query = new QLineEdit(this);
    m_query->setObjectName(QStringLiteral("txtSearch"));
    m_query->setAccessibleName(QStringLiteral("搜尋"));
    m_query->setPlaceholderText(QStringLiteral("輸入要找的字，按 Enter"));
    m_hits = new QListWidget(this);
    m_hits->setObjectName(QStringLiteral("lstHits"));
    m_hits->setAccessibleName(QStringLiteral("搜尋結果"));
    auto *searchPane = new QWidget(this);
    auto *searchLayout = new QVBoxLayout(searchPane);
    auto *queryLabel = new QLabel(QStringLiteral("搜尋"), searchPane);
    queryLabel->setBuddy(m_query);
    searchLayout->addWidget(queryLabel);
    searchLayout->addWidget(m_query);
    searchLayout->addWidget(m_hits);

    auto *back = new QPushButton(QStringLiteral("上一頁"), this);
    auto *forward = new QPushButton(QStringLiteral("下一頁"), this);
    auto *home = new QPushButton(QStringLiteral("首頁"), this);
    auto *close = new QPushButton(QStringLiteral("關閉"), this);
    for (QPushButton *b : {back, forward, home})
        b->setAutoDefault(false);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(home, &QPushButton::clicked, this, [this] { m_browser->setSource(kFirstPage); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {back, forward, home})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(close);

    open(guideFile);
    if (m_engine) {
        QHelpContentWidget *contents = m_engine->contentWidget();
        contents->setObjectName(QStringLiteral("treContents"));
        contents->setAccessibleName(QStringLiteral("目錄"));
        connect(contents, &QHelpContentWidget::linkActivated, m_browser, [this](const QUrl &url) { m_browser->setSource(url); });
        connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, contents, &QTreeView::expandAll);
        tabs->addTab(contents, QStringLiteral("目錄"));
        QHelpIndexWidget *index = m_engine->indexWidget();
        index->setObjectName(QStringLiteral("lstIndex"));
        index->setAccessibleName(QStringLiteral("索引"));
        connect(index, &QHelpIndexWidget::documentActivated, m_browser,
                [this](const QHelpLink &link) { m_browser->setSource(link.url); });
        connect(index, &QHelpIndexWidget::documentsActivated, m_browser,
                [this](const QList<QHelpLink> &links) { m_browser->setSource(links.value(0).url); });
        tabs->addTab(index, QStringLiteral("索引"));
    }
    tabs->addTab(searchPane, QStringLiteral("搜尋"));
    connect(m_query, &QLineEdit::returnPressed, this, &GuideWindow::search);
    connect(m_hits, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        m_browser->setSource(item->data(Qt::UserRole).toUrl());
        m_browser->find(m_query->text());
    });

    auto *split = new QSplitter(this);
    split->addWidget(tabs);
    split->addWidget(m_browser);
    split->setSizes({250, 750});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split);
    layout->addLayout(buttons);
    if (!m_problem.isEmpty())
        m_browser->setPlainText(QStringLiteral("無法開啟使用說明檔") + QLatin1Char('\n') + m_problem);
}

GuideWindow::~GuideWindow() = default;

void GuideWindow::open(const QString &guideFile)
{
    if (!QFileInfo::exists(guideFile)) {
        m_problem = QDir::toNativeSeparators(guideFile);
        return;
    }
    auto *engine = new QHelpEngine(m_collectionDir.filePath(QStringLiteral("guide.qhc")), this);
    engine->setReadOnly(false); // the collection is ours, made here
    const bool ready = m_collectionDir.isValid() && engine->setupData() && engine->registerDocumentation(guideFile);
    if (!ready) {
        m_problem = QDir::toNativeSeparators(guideFile) + QLatin1Char('\n') + engine->error();
        delete engine;
        return;
    }
    m_engine = engine;
}

QUrl GuideWindow::pageOf(const QString &window) const
{
    if (!m_engine || window.isEmpty())
        return {};
    const QList<QHelpLink> links = m_engine->documentsForIdentifier(window);
    return links.isEmpty() ? QUrl() : links.first().url;
}

void GuideWindow::showPageOf(const QString &window)
{
    if (!m_engine)
        return;
    const QUrl url = pageOf(window);
    m_browser->setSource(url.isEmpty() ? kFirstPage : url);
}

QUrl GuideWindow::page() const
{
    return m_engine ? m_browser->source() : QUrl();
}

void GuideWindow::readPages()
{
    if (!m_pages.isEmpty() || !m_engine)
        return;
    static const QRegularExpression heading(QStringLiteral("<h1[^>]*>(.*?)</h1>"), QRegularExpression::DotMatchesEverythingOption);
    for (const QUrl &url : m_engine->files(kNamespace, QString(), QStringLiteral("html"))) {
        const QString html = QString::fromUtf8(m_engine->fileData(url));
        const QString title = QTextDocumentFragment::fromHtml(heading.match(html).captured(1)).toPlainText().trimmed();
        m_pages.append({url, title.isEmpty() ? url.fileName() : title, QTextDocumentFragment::fromHtml(html).toPlainText()});
    }
}

QString GuideWindow::pageText(const QUrl &page)
{
    readPages();
    for (const Page &p : std::as_const(m_pages))
        if (p.url == page)
            return p.text;
    return {};
}

QList<QUrl> GuideWindow::pages()
{
    readPages();
    QList<QUrl> out;
    for (const Page &p : std::as_const(m_pages))
        out << p.url;
    return out;
}

// Chinese has no blanks between words, so the guide is searched for the text as typed,
// anywhere in a page, rather than by words.
void GuideWindow::search()
{
    m_hits->clear();
    const QString text = m_query->text().trimmed();
    readPages();
    for (const Page &p : std::as_const(m_pages)) {
        const qsizetype at = text.isEmpty() ? -1 : p.text.indexOf(text, 0, Qt::CaseInsensitive);
        if (at < 0)
            continue;
        const QString around = p.text.mid(qMax<qsizetype>(0, at - 12), text.size() + 24).simplified();
        auto *item = new QListWidgetItem(p.title + QStringLiteral("：…") + around + QStringLiteral("…"), m_hits);
        item->setData(Qt::UserRole, p.url);
    }
    if (m_hits->count() == 0)
        new QListWidgetItem(QStringLiteral("找不到"), m_hits);
    else
        m_hits->setCurrentRow(0);
}

bool GuideKey::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || m_open)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    auto *widget = qobject_cast<QWidget *>(watched);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || !widget || key->isAutoRepeat())
        return false;
    // A box without a name of its own (a message) stands for the window it speaks for.
    QWidget *window = widget->window();
    while (window->objectName().isEmpty() && window->parentWidget())
        window = window->parentWidget()->window();
    m_open = true; // F1 in the guide itself is left to it
    m_dialogs.openGuide(window, window->objectName());
    m_open = false;
    return true;
}
