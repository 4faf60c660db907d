#include "settings/KeysSettingsTab.h"

#include "settings/SettingsLook.h"

#include <QAction>
#include <QEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora {
namespace {

QString plainTitle(QString title)
{
    title.remove(u'&');
    for (const QString& ellipsis : {QStringLiteral("..."), QStringLiteral("\u2026")}) {
        if (title.endsWith(ellipsis))
            title.chop(ellipsis.size());
    }
    return title.trimmed();
}

void collect(const QList<QAction*>& actions, QList<KeyBinding>& into)
{
    for (const QAction* action : actions) {
        if (!action || action->isSeparator())
            continue;
        if (const QMenu* submenu = action->menu()) {
            collect(submenu->actions(), into);
            continue;
        }
        const QString title = plainTitle(action->text());
        const QKeySequence keys = action->shortcut();
        if (title.isEmpty() || keys.isEmpty())
            continue;
        into.append({title, keys.toString(QKeySequence::NativeText)});
    }
}

} // namespace

KeysSettingsTab::KeysSettingsTab(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(SettingsLook::tabMargins());
    layout->setSpacing(12);
    layout->addWidget(SettingsLook::sectionHeader(QStringLiteral("Keyboard Shortcuts"), this));

    m_table = new QTableWidget(0, 2, this);
    m_table->setObjectName(QStringLiteral("keysTable"));
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(28);
    m_table->setShowGrid(false);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setStyleSheet(QStringLiteral("QTableWidget::item { padding: 0 8px; }"));
    layout->addWidget(m_table, 1);

    auto* caption = SettingsLook::caption(remappingCaption, this);
    layout->addWidget(caption);
    applyColors();
}

QList<KeyBinding> KeysSettingsTab::bindingsFrom(const QList<QAction*>& actions)
{
    QList<KeyBinding> bindings;
    collect(actions, bindings);
    return bindings;
}

void KeysSettingsTab::setSources(const QList<QAction*>& actions, const QList<KeyBinding>& otherBindings)
{
    m_actions.clear();
    for (QAction* action : actions)
        m_actions.append(action);
    m_otherBindings = otherBindings;
    refresh();
}

void KeysSettingsTab::refresh()
{
    QList<QAction*> actions;
    for (const QPointer<QAction>& action : std::as_const(m_actions)) {
        if (action)
            actions.append(action);
    }
    m_bindings = bindingsFrom(actions) + m_otherBindings;

    const QFont keysFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QColor secondary = SettingsLook::secondaryText(palette());
    m_table->setRowCount(int(m_bindings.size()));
    for (int row = 0; row < m_bindings.size(); ++row) {
        auto* action = new QTableWidgetItem(m_bindings[row].action);
        auto* keys = new QTableWidgetItem(m_bindings[row].keys);
        keys->setFont(keysFont);
        keys->setForeground(secondary);
        keys->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, 0, action);
        m_table->setItem(row, 1, keys);
    }
}

void KeysSettingsTab::showEvent(QShowEvent* event)
{
    refresh();
    QWidget::showEvent(event);
}

void KeysSettingsTab::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}

void KeysSettingsTab::applyColors()
{
    const QColor secondary = SettingsLook::secondaryText(palette());
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (QTableWidgetItem* keys = m_table->item(row, 1))
            keys->setForeground(secondary);
    }
}

} // namespace velmora
