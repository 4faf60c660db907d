#include "session/SessionManager.h"

namespace velmora {

SessionManager::SessionManager(const SkinManifest::TerminalPalette& palette, SettingsStore& settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_palette(palette)
{
}

SessionManager::~SessionManager()
{
    for (const QPointer<ShellView>& session : m_sessions)
        delete session.data();
}

std::vector<ShellView*> SessionManager::sessions() const
{
    std::vector<ShellView*> list;
    list.reserve(m_sessions.size());
    for (const QPointer<ShellView>& session : m_sessions)
        list.push_back(session.data());
    return list;
}

ShellView* SessionManager::active() const
{
    if (m_activeIndex < 0 || m_activeIndex >= count())
        return nullptr;
    return m_sessions[std::size_t(m_activeIndex)].data();
}

ShellView* SessionManager::addSession(const std::optional<QString>& cwd)
{
    auto* session = new ShellView(m_settings);
    session->startSession(std::nullopt, m_palette, cwd);
    m_sessions.emplace_back(session);
    m_activeIndex = count() - 1;
    emit changed();
    return session;
}

void SessionManager::stopShell(ShellView* session)
{
    if (!session)
        return;
    if (corvel::LocalProcessTerminalView* terminal = session->terminal())
        terminal->terminate();
    session->hide();
    session->setParent(nullptr);
    session->deleteLater();
}

void SessionManager::closeSession(int index)
{
    if (index < 0 || index >= count() || count() < 2)
        return;
    const QPointer<ShellView> session = m_sessions[std::size_t(index)];
    m_sessions.erase(m_sessions.begin() + index);
    stopShell(session.data());
    if (index < m_activeIndex)
        --m_activeIndex;
    if (m_activeIndex >= count())
        m_activeIndex = count() - 1;
    emit changed();
}

void SessionManager::switchTo(int index)
{
    if (index < 0 || index >= count() || index == m_activeIndex)
        return;
    m_activeIndex = index;
    emit changed();
}

void SessionManager::cycle(bool forward)
{
    const int n = count();
    if (n == 0)
        return;
    switchTo(forward ? (m_activeIndex + 1) % n : (m_activeIndex - 1 + n) % n);
}

void SessionManager::terminateAll()
{
    std::vector<QPointer<ShellView>> sessions;
    sessions.swap(m_sessions);
    m_activeIndex = 0;
    for (const QPointer<ShellView>& session : sessions)
        stopShell(session.data());
}

} // namespace velmora
