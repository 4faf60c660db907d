#include "screen/TerminalPanel.h"

#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace velmora {

FlippedContainerView::FlippedContainerView(QWidget* parent) : QWidget(parent) {}

void FlippedContainerView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

TerminalPanel::TerminalPanel(const SkinManifest::TerminalPalette& palette, SettingsStore& settings, QObject* parent)
    : QObject(parent), m_container(new FlippedContainerView), m_palette(palette)
{
    m_shellHost = new QWidget(m_container);
    m_tabsView = new SessionTabsView(palette, m_container);
    m_manager = std::make_unique<SessionManager>(palette, settings);
    m_shellHost->setGeometry(m_container->rect());
    m_tabsView->raise();

    connect(m_container, &FlippedContainerView::resized, this, &TerminalPanel::layoutTabsAndHost);
    connect(m_tabsView, &SessionTabsView::picked, m_manager.get(), &SessionManager::switchTo);
    connect(m_tabsView, &SessionTabsView::addRequested, this, [this] { addSession(std::nullopt); });
    connect(m_tabsView, &SessionTabsView::closeRequested, m_manager.get(), &SessionManager::closeSession);
    connect(m_manager.get(), &SessionManager::changed, this, &TerminalPanel::syncVisibleSession);
}

TerminalPanel::~TerminalPanel()
{
    // Sessions first: they live in the container's widget tree.
    m_manager.reset();
    if (m_container && !m_container->parentWidget())
        delete m_container.data();
}

QWidget* TerminalPanel::keyboardView() const
{
    if (ShellView* session = m_manager->active()) {
        if (session->terminal())
            return session->terminal();
    }
    return m_container;
}

void TerminalPanel::startSession(const std::optional<SkinManifest::TerminalPalette>& palette,
                                 const std::optional<QString>& cwd)
{
    if (palette) {
        m_palette = *palette;
        m_manager->setPalette(*palette);
    }
    if (m_manager->count() == 0)
        m_manager->addSession(cwd);
    syncVisibleSession();
}

int TerminalPanel::addSession(const std::optional<QString>& cwd)
{
    m_manager->addSession(cwd);
    return m_manager->activeIndex();
}

namespace {

// Whole pixels at least as far as the clearance, and one more, so that the
// outline's own edge pixels stay off the text too; never less than least.
int clear(double clearance, int least)
{
    if (!(clearance > 0))
        return least;
    return std::max(least, int(std::ceil(clearance)) + 1);
}

} // namespace

QMargins TerminalPanel::sessionPadding(const QMarginsF& cornerClearance)
{
    const QMargins least = ShellView::defaultContentPadding;
    return QMargins(clear(cornerClearance.left(), least.left()),
                    clear(cornerClearance.top(), least.top()),
                    clear(cornerClearance.right(), least.right()),
                    clear(cornerClearance.bottom(), tabsInset) + PillButton::size + 2);
}

QRect TerminalPanel::tabsFrame(const QSize& containerSize, int count, const QMarginsF& cornerClearance)
{
    return QRect(clear(cornerClearance.left(), tabsInset),
                 containerSize.height() - clear(cornerClearance.bottom(), tabsInset) - PillButton::size,
                 SessionTabsView::stripWidth(count),
                 PillButton::size);
}

void TerminalPanel::keepClearOfCorners(const QMarginsF& clearance)
{
    if (clearance == m_cornerClearance)
        return;
    m_cornerClearance = clearance;
    for (ShellView* session : m_manager->sessions()) {
        if (session && session->parentWidget() == m_shellHost)
            session->setContentPadding(sessionPadding(m_cornerClearance));
    }
    layoutTabsAndHost();
}

void TerminalPanel::layoutTabsAndHost()
{
    m_tabsView->setGeometry(tabsFrame(m_container->size(), m_tabsView->count(), m_cornerClearance));
    m_shellHost->setGeometry(m_container->rect());
    // Sessions fill the host, hidden ones included, so a switch shows a
    // session already laid out.
    for (ShellView* session : m_manager->sessions()) {
        if (session && session->parentWidget() == m_shellHost)
            session->setGeometry(m_shellHost->rect());
    }
}

void TerminalPanel::syncVisibleSession()
{
    const std::vector<ShellView*> sessions = m_manager->sessions();
    const int active = m_manager->activeIndex();
    for (int i = 0; i < int(sessions.size()); ++i) {
        ShellView* session = sessions[std::size_t(i)];
        if (!session)
            continue;
        if (i == active) {
            if (session->parentWidget() != m_shellHost) {
                session->setContentPadding(sessionPadding(m_cornerClearance));
                session->setParent(m_shellHost);
                session->setGeometry(m_shellHost->rect());
            }
            session->show();
        } else {
            session->hide();
        }
    }
    m_tabsView->update(int(sessions.size()), active, m_palette);
    layoutTabsAndHost();
    if (m_container->parentWidget())
        keyboardView()->setFocus(Qt::OtherFocusReason);
    emit activeSessionChanged(active);
}

void TerminalPanel::applyPalette(const SkinManifest::TerminalPalette& palette)
{
    m_palette = palette;
    m_manager->setPalette(palette);
    for (ShellView* session : m_manager->sessions()) {
        if (session)
            session->applyPalette(palette);
    }
}

} // namespace velmora
