#pragma once

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>

#include <cstdint>
#include <functional>

namespace velmora {

// A system-wide hot key: a passive key grab on every root window of the X
// server, so that the key reaches this program whichever window has the
// focus. The grab is also made with Caps Lock and Num Lock on, which would
// otherwise keep it from matching. Holding the key down triggers once.
// Wayland offers no such grab: there, and wherever the key is taken by
// another program, registering leaves nothing registered and the key does
// nothing. Main thread.
class GlobalHotkey final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // The hot key the application registers at start-up: Alt+Space.
    static constexpr std::uint32_t spaceKeysym = 0x0020; // XK_space
    static constexpr std::uint16_t altModifier = 1 << 3; // Mod1

    static GlobalHotkey& shared();

    GlobalHotkey();
    ~GlobalHotkey() override;

    // Grabs the key (an X keysym) with the modifiers (an X modifier mask),
    // replacing an earlier registration; onTrigger runs on the main thread,
    // from the event loop, each time the key is pressed.
    void registerHotkey(std::uint32_t keysym, std::uint16_t modifiers, std::function<void()> onTrigger);

    // Releases the grab and forgets the callback.
    void unregister();

    // True while the grab is in place.
    bool isRegistered() const { return !m_grabs.isEmpty(); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        std::uint32_t root;
        std::uint8_t keycode;
        std::uint16_t modifiers;
    };

    QList<Grab> m_grabs;
    std::uint16_t m_modifiers = 0;
    std::uint16_t m_ignoredModifiers = 0;
    bool m_held = false;
    bool m_filtering = false;
    std::function<void()> m_onTrigger;
};

} // namespace velmora
