#pragma once

#include "app/PaletteState.h"
#include "skin/SkinManifest.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace velmora {

class CommandPaletteView;

// The device window a palette opens over, and what its entries do to it.
// Once the window is destroyed the anchored actions do nothing.
struct PaletteAnchor {
    QPointer<QWidget> window;
    int sessionCount = 0;
    std::function<void(const SkinManifest&)> changeSkin;
    std::function<void(int)> switchSession;
    std::function<void()> newSession;
    // The next skin, in this window (not whichever window is active once the
    // palette has taken the focus).
    std::function<void()> cycleSkin;
};

// The command palette: a borderless floating panel of 500 × 360 over the
// device window it was opened for, made once and then shown and hidden.
// Choosing an entry performs it and hides the panel; Escape hides it.
class CommandPaletteController final : public QObject {
    Q_OBJECT

public:
    static constexpr QSize panelSize{500, 360};
    static constexpr int raise = 40;

    // What the palette does beyond its anchor, and the skins it offers.
    struct Commands {
        std::function<void()> openSkinPicker;
        std::function<void()> openSettings;
        // The loaded skins; none when not given.
        std::function<std::vector<SkinManifest>()> skins;
    };

    explicit CommandPaletteController(Commands commands, QObject* parent = nullptr);
    ~CommandPaletteController() override;

    // Reloads the entries for the anchor (none: no session entries), clears
    // the query, places the panel centred on the anchor window and raised
    // 40 pixels (centred on the screen without one), then brings it to the
    // front with the keyboard focus in its field.
    void open(std::optional<PaletteAnchor> anchor);
    void close();

    // Where the panel goes for an anchor window's frame: centred on it and
    // raised, then moved as little as it takes to lie inside the screen's
    // available area (its top left corner first when it is larger).
    static QPoint placement(const QRect& anchorFrame, const QRect& available = {});

    PaletteState& state() { return m_state; }
    CommandPaletteView* panel() const { return m_panel.get(); }

    // Performs the entry's action, as choosing it in the panel does (without
    // hiding the panel).
    void run(const PaletteEntry& entry);

private:
    std::vector<SkinManifest> currentSkins() const;

    Commands m_commands;
    PaletteState m_state;
    std::optional<PaletteAnchor> m_anchor;
    std::unique_ptr<CommandPaletteView> m_panel;
};

} // namespace velmora
