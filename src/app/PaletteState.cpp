#include "app/PaletteState.h"

#include "app/MainMenu.h"
#include "core/HorizontalSpace.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace velmora {
namespace {

std::vector<QStringView> graphemes(const QString& text)
{
    std::vector<QStringView> clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        clusters.push_back(QStringView(text).sliced(start, end - start));
        start = end;
    }
    return clusters;
}

PaletteEntry entry(const QString& title, const QString& subtitle, const QString& icon, PaletteEntry::Action action)
{
    return {QUuid::createUuid(), title, subtitle, icon, std::move(action)};
}

} // namespace

PaletteState::PaletteState(QObject* parent) : QObject(parent) {}

void PaletteState::setQuery(const QString& query)
{
    if (query == m_query)
        return;
    m_query = query;
    emit changed();
}

void PaletteState::setSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    emit changed();
}

void PaletteState::reload(const std::vector<SkinManifest>& skins, std::optional<int> anchorSessionCount)
{
    using Kind = PaletteEntry::Kind;
    std::vector<PaletteEntry> entries;
    for (const SkinManifest& skin : SkinManifest::orBuiltInPair(skins))
        entries.push_back(
            entry(skin.name, QStringLiteral("Skin"), QStringLiteral("paintbrush.fill"), {Kind::changeSkin, skin.name}));
    for (int i = 0; i < anchorSessionCount.value_or(0); ++i) {
        entries.push_back(entry(QStringLiteral("Session %1").arg(i + 1),
                                QStringLiteral("Terminal tab"),
                                QStringLiteral("terminal"),
                                {Kind::switchSession, {}, i}));
    }
    // The keys are the menu's own, read from its table.
    entries.push_back(entry(
        QStringLiteral("New Tab"), MainMenu::shortcutText("newSession"), QStringLiteral("plus"), {Kind::newSession}));
    entries.push_back(entry(QStringLiteral("Cycle Skin"),
                            MainMenu::shortcutText("cycleSkin"),
                            QStringLiteral("arrow.triangle.2.circlepath"),
                            {Kind::cycleSkin}));
    entries.push_back(entry(QStringLiteral("Open Skin Picker"),
                            MainMenu::shortcutText("showSkinPicker"),
                            QStringLiteral("rectangle.stack"),
                            {Kind::openSkinPicker}));
    entries.push_back(entry(QStringLiteral("Settings\u2026"),
                            MainMenu::shortcutText("showSettings"),
                            QStringLiteral("gear"),
                            {Kind::openSettings}));
    m_allEntries = std::move(entries);
    m_selectedIndex = 0;
    emit changed();
}

std::vector<PaletteEntry> PaletteState::results() const
{
    const QString query = trimHorizontalSpace(m_query).toString().toLower();
    if (query.isEmpty())
        return m_allEntries;
    std::vector<std::pair<int, const PaletteEntry*>> scored;
    for (const PaletteEntry& candidate : m_allEntries) {
        const int score = fuzzyScore(query, candidate.title.toLower());
        if (score >= 1)
            scored.emplace_back(score, &candidate);
    }
    std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<PaletteEntry> ranked;
    ranked.reserve(scored.size());
    for (const auto& [score, candidate] : scored)
        ranked.push_back(*candidate);
    return ranked;
}

int PaletteState::fuzzyScore(const QString& query, const QString& target)
{
    if (query.isEmpty())
        return 0;
    if (target.startsWith(query))
        return 1000;
    if (target.contains(query))
        return 500;
    const std::vector<QStringView> wanted = graphemes(query);
    const std::vector<QStringView> characters = graphemes(target);
    std::size_t position = 0;
    for (const QStringView character : characters) {
        if (position < wanted.size() && character == wanted[position])
            ++position;
    }
    if (position < wanted.size())
        return 0;
    const int length = int(characters.size());
    return length < 200 ? 300 - length : 100;
}

} // namespace velmora
