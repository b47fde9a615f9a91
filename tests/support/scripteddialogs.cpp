#include "scripteddialogs.h"
#include <utility>

namespace {

// Names in the order of the enumerations.
const char *const kIcons[] = {"none", "critical", "question", "exclamation", "information"};
const char *const kButtons[] = {"ok", "ok/cancel", "yes/no", "yes/no/cancel"};
const char *const kAnswers[] = {"ok", "cancel", "yes", "no"};

} // namespace

QString describe(const ScriptedDialogs::Message &m)
{
    QString text = m.text;
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QStringLiteral("[%1] title [%2] icon %3 buttons %4 default %5")
        .arg(text, m.title, QLatin1String(kIcons[int(m.icon)]), QLatin1String(kButtons[int(m.buttons)]),
             QLatin1String(kAnswers[int(m.defaultButton)]));
}

void ScriptedDialogs::expectMessage(const Message &message, MsgAnswer answer)
{
    Expectation e{Expectation::Kind::Message, message, answer, {}, {}, {}};
    m_queue.append(e);
}

void ScriptedDialogs::expectSaveFile(const QString &title, const QString &filter, const QString &path)
{
    m_queue.append(Expectation{Expectation::Kind::SaveFile, {}, MsgAnswer::Ok, title, filter, path});
}

void ScriptedDialogs::expectOpenFile(const QString &title, const QString &filter, const QString &path)
{
    m_queue.append(Expectation{Expectation::Kind::OpenFile, {}, MsgAnswer::Ok, title, filter, path});
}

QStringList ScriptedDialogs::problems() const
{
    QStringList out = m_problems;
    for (const Expectation &e : m_queue)
        out << QStringLiteral("expected but never shown: ")
                   + (e.kind == Expectation::Kind::Message ? describe(e.message) : e.title);
    return out;
}

std::optional<ScriptedDialogs::Expectation> ScriptedDialogs::next(Expectation::Kind kind, const QString &what)
{
    if (m_queue.isEmpty() || m_queue.first().kind != kind) {
        m_problems << QStringLiteral("unexpected dialog: ") + what;
        return std::nullopt;
    }
    return m_queue.takeFirst();
}

MsgAnswer ScriptedDialogs::message(QWidget *, const QString &text, const QString &title, MsgIcon icon,
                                   MsgButtons buttons, MsgAnswer defaultButton)
{
    const Message shown{text, title.isEmpty() ? applicationTitle() : title, icon, buttons, defaultButton};
    m_shown.append(shown);
    if (whileNextMessage)
        std::exchange(whileNextMessage, {})();
    const auto e = next(Expectation::Kind::Message, describe(shown));
    if (!e)
        return defaultButton;
    Message wanted = e->message;
    if (wanted.title.isEmpty())
        wanted.title = applicationTitle();
    if (describe(wanted) != describe(shown))
        m_problems << QStringLiteral("message differs:\n  expected %1\n  shown    %2").arg(describe(wanted), describe(shown));
    return e->answer;
}

QString ScriptedDialogs::openFile(QWidget *, const QString &title, const QString &filter, const QString &)
{
    const auto e = next(Expectation::Kind::OpenFile, QStringLiteral("open file ") + title);
    if (!e)
        return {};
    if (e->title != title || e->filter != filter)
        m_problems << QStringLiteral("open dialog differs: [%1] [%2]").arg(title, filter);
    return e->path;
}

QString ScriptedDialogs::saveFile(QWidget *, const QString &title, const QString &filter,
                                  const QString &selectedFilter, const QString &folder, bool confirmOverwrite)
{
    lastSaveFolder = folder;
    lastSelectedFilter = selectedFilter;
    lastConfirmOverwrite = confirmOverwrite;
    const auto e = next(Expectation::Kind::SaveFile, QStringLiteral("save file ") + title);
    if (!e)
        return {};
    if (e->title != title || e->filter != filter)
        m_problems << QStringLiteral("save dialog differs: [%1] [%2]").arg(title, filter);
    return e->path;
}

std::optional<QFont> ScriptedDialogs::chooseFont(QWidget *, const QFont &)
{
    if (!m_font) {
        m_problems << QStringLiteral("unexpected font dialog");
        return std::nullopt;
    }
    const std::optional<QFont> answer = *m_font;
    m_font.reset();
    return answer;
}

bool ScriptedDialogs::printSetup(QWidget *, PrintSetup &setup)
{
    printSetupShown = setup;
    if (!m_setup) {
        m_problems << QStringLiteral("unexpected print setup dialog");
        return false;
    }
    const std::optional<PrintSetup> answer = *m_setup;
    m_setup.reset();
    if (answer)
        setup = *answer;
    return answer.has_value();
}
