#include "app/DirtyStartSweep.h"

#include "core/AppPaths.h"
#include "core/LogText.h"
#include "core/SettingsStore.h"
#include "skin/CuratedPalettes.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QtDebug>

#include <algorithm>
#include <cmath>

namespace velmora::DirtyStartSweep {
namespace {

constexpr double aspectTolerance = 0.25;
constexpr double onScreenInset = 20;

const SkinManifest* findSkin(const WindowState& state, const std::vector<SkinManifest>& skins)
{
    if (!state.id.isEmpty()) {
        for (const SkinManifest& skin : skins) {
            if (skin.id == state.id)
                return &skin;
        }
    }
    for (const SkinManifest& skin : skins) {
        if (skin.name == state.skinName)
            return &skin;
    }
    return nullptr;
}

// A length cut down to whole pixels, so that a frame fitted to an area stays
// inside it.
double wholePixels(double length) { return std::floor(length + 1e-6); }

void centre(WindowState& state, const std::optional<QRectF>& mainScreen)
{
    const QRectF area = mainScreen.value_or(QRectF(0, 0, state.width, state.height));
    state.x = area.center().x() - state.width / 2;
    state.y = area.center().y() - state.height / 2;
}

} // namespace

Screens Screens::current()
{
    Screens screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        screens.main = QRectF(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        screens.all.append(QRectF(screen->availableGeometry()));
    return screens;
}

void cleanStaleTempFiles(const QString& settingsFile)
{
    const QString leftover = settingsFile + QStringLiteral(".tmp");
    if (QFile::exists(leftover))
        QFile::remove(leftover);
}

bool isOnScreen(const WindowState& state, const QList<QRectF>& visibleFrames)
{
    const QRectF inner = QRectF(state.x, state.y, state.width, state.height)
                             .adjusted(onScreenInset, onScreenInset, -onScreenInset, -onScreenInset);
    if (!(inner.width() > 0) || !(inner.height() > 0))
        return false;
    for (const QRectF& frame : visibleFrames) {
        if (inner.intersects(frame))
            return true;
    }
    return false;
}

bool fitsOnAScreen(const WindowState& state, const QList<QRectF>& visibleFrames)
{
    return std::any_of(visibleFrames.begin(), visibleFrames.end(), [&](const QRectF& frame) {
        return state.width <= frame.width() && state.height <= frame.height();
    });
}

std::optional<QList<WindowState>> repairedWindowStates(const QList<WindowState>& states,
                                                       const std::vector<SkinManifest>& skins, const Screens& screens)
{
    QList<WindowState> repaired;
    bool changed = false;
    for (WindowState state : states) {
        const SkinManifest* skin = findSkin(state, skins);
        if (!skin || !(state.width > 0) || !(state.height > 0)) {
            changed = true;
            continue;
        }
        const double ownAspect = state.width / state.height;
        const double skinAspect
            = skin->frameSize.height() > 0 ? skin->frameSize.width() / skin->frameSize.height() : ownAspect;
        if (skinAspect > 0 && std::abs(ownAspect - skinAspect) / skinAspect > aspectTolerance) {
            state.width = skin->frameSize.width();
            state.height = skin->frameSize.height();
            centre(state, screens.main);
            changed = true;
        } else if (!isOnScreen(state, screens.all) && screens.main) {
            centre(state, screens.main);
            changed = true;
        }
        // A frame larger than every screen is shrunk to fit the main one
        // whole, at its skin's aspect (the window settles at that aspect
        // once shown, and would outgrow the screen again at any other), and
        // centred there like an off-screen one.
        if (!fitsOnAScreen(state, screens.all) && screens.main && !screens.main->isEmpty()) {
            const QSizeF aspect = skin->frameSize.isEmpty() ? QSizeF(state.width, state.height) : skin->frameSize;
            const QSizeF fitted = aspect.scaled(screens.main->size(), Qt::KeepAspectRatio);
            state.width = wholePixels(fitted.width());
            state.height = wholePixels(fitted.height());
            centre(state, screens.main);
            changed = true;
        }
        repaired.append(state);
    }
    if (!changed)
        return std::nullopt;
    return repaired;
}

void repairWindowState(SettingsStore& store, const std::vector<SkinManifest>& skins, const Screens& screens)
{
    if (store.data().lastWindows.isEmpty())
        return;
    if (std::optional<QList<WindowState>> repaired = repairedWindowStates(store.data().lastWindows, skins, screens)) {
        store.data().lastWindows = *repaired;
        store.save();
    }
}

int prunePaletteOverrides(SettingsStore& store)
{
    QSet<QString> valid;
    for (const CuratedPalette& palette : CuratedPalettes::all())
        valid.insert(palette.id);
    const int pruned = store.prunePaletteOverrides(valid);
    if (pruned >= 1)
        qInfo().noquote()
            << QStringLiteral("[Velmora] DirtyStartSweep: pruned %1 dangling palette override(s)").arg(pruned);
    return pruned;
}

void repairDefaultSkin(SettingsStore& store, const std::vector<SkinManifest>& skins)
{
    const QString current = store.data().defaultSkin;
    for (const SkinManifest& skin : skins) {
        if (skin.name == current)
            return;
    }
    if (skins.empty())
        return;
    const QString replacement = skins.front().name;
    qInfo().noquote() << QStringLiteral("[Velmora] DirtyStartSweep: defaultSkin '%1' missing — resetting to '%2'")
                             .arg(LogText::escaped(current), LogText::escaped(replacement));
    store.data().defaultSkin = replacement;
    store.save();
}

void cleanStaleTempFiles() { cleanStaleTempFiles(AppPaths::settingsFile()); }

} // namespace velmora::DirtyStartSweep
