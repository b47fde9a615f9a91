#include "ui/platform/appcontext.h"

#include "core/store/storeopening.h"

#include <QFileInfo>

AppContext::AppContext(QString dataDir, Dialogs &dialogs, Clock &clock, Printer &printer)
    : m_dataDir(std::move(dataDir)), m_dialogs(dialogs), m_clock(clock), m_printer(printer)
{
}

AppContext::~AppContext() = default;

void AppContext::closeStores()
{
    m_working.reset();
    m_reference.reset();
}

QString AppContext::referenceProblemText() const
{
    const QString path = displayPath(referenceStorePath(m_dataDir));
    if (!QFileInfo::exists(path))
        return QStringLiteral("找不到金融機構代碼檔，無法顯示金融機構名稱") + QLatin1Char('\n') + path;
    return QStringLiteral("金融機構代碼檔無法使用，無法顯示金融機構名稱") + QLatin1Char('\n') + path + QLatin1Char('\n')
        + m_referenceProblem.detail;
}

Store *AppContext::reference()
{
    if (!m_reference) {
        Store::Opened opened = Store::open(referenceStorePath(m_dataDir), Schema::reference());
        m_reference = std::move(opened.store);
        m_referenceProblem = opened.failure;
    }
    return m_reference.get();
}
