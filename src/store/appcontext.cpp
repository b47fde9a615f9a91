#include "appcontext.h"

#include "storeopening.h"

AppContext::AppContext(QString programDir, Dialogs &dialogs, Clock &clock, Printer &printer)
    : m_programDir(std::move(programDir)), m_dialogs(dialogs), m_clock(clock), m_printer(printer)
{
}

AppContext::~AppContext() = default;

void AppContext::closeStores()
{
    m_working.reset();
    m_reference.reset();
}

Store *AppContext::reference()
{
    if (!m_reference) {
        Store::Opened opened = Store::open(referenceStorePath(m_programDir), Schema::reference());
        m_reference = std::move(opened.store);
        m_referenceProblem = opened.failure;
    }
    return m_reference.get();
}
