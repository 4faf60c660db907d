#include "app/GlobalHotkey.h"

#include <QGuiApplication>
#include <QtDebug>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace velmora {
namespace {

constexpr std::uint32_t numLockKeysym = 0xff7f; // XK_Num_Lock

template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPointer<Reply> owned(Reply* reply) { return ReplyPointer<Reply>(reply, &std::free); }

xcb_connection_t* x11Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Every keycode whose unshifted symbol is the keysym.
QList<xcb_keycode_t> keycodesFor(xcb_connection_t* connection, std::uint32_t keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto reply = owned(xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr));
    QList<xcb_keycode_t> keycodes;
    if (!reply || reply->keysyms_per_keycode == 0)
        return keycodes;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int perKeycode = reply->keysyms_per_keycode;
    const int length = xcb_get_keyboard_mapping_keysyms_length(reply.get());
    for (int i = 0; i * perKeycode < length; ++i) {
        if (keysyms[i * perKeycode] == keysym)
            keycodes.append(static_cast<xcb_keycode_t>(first + i));
    }
    return keycodes;
}

// The modifier bit Num Lock sets (Mod2 on most keyboards); 0 when it has none.
std::uint16_t numLockMask(xcb_connection_t* connection)
{
    const QList<xcb_keycode_t> numLock = keycodesFor(connection, numLockKeysym);
    auto reply = owned(xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!reply || numLock.isEmpty())
        return 0;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (numLock.contains(keycodes[modifier * perModifier + i]))
                return static_cast<std::uint16_t>(1 << modifier);
        }
    }
    return 0;
}

} // namespace

GlobalHotkey& GlobalHotkey::shared()
{
    static GlobalHotkey* instance = new GlobalHotkey;
    return *instance;
}

GlobalHotkey::GlobalHotkey() = default;

GlobalHotkey::~GlobalHotkey() { unregister(); }

void GlobalHotkey::registerHotkey(std::uint32_t keysym, std::uint16_t modifiers, std::function<void()> onTrigger)
{
    unregister();
    m_onTrigger = std::move(onTrigger);
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return;

    m_modifiers = modifiers;
    const std::uint16_t numLock = numLockMask(connection);
    m_ignoredModifiers = XCB_MOD_MASK_LOCK | numLock;
    const std::uint16_t variants[]
        = {0, XCB_MOD_MASK_LOCK, numLock, static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock)};

    bool taken = false;
    for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection)); screen.rem;
         xcb_screen_next(&screen)) {
        const xcb_window_t root = screen.data->root;
        for (const xcb_keycode_t keycode : keycodesFor(connection, keysym)) {
            for (std::size_t i = 0; i < std::size(variants); ++i) {
                if (i > 0 && variants[i] == variants[i - 1])
                    continue; // without a Num Lock bit two variants are the same
                const auto mask = static_cast<std::uint16_t>(modifiers | variants[i]);
                // Reported to the root window even while one of our own
                // windows has the focus, so the filter sees every press.
                auto error = owned(xcb_request_check(
                    connection,
                    xcb_grab_key_checked(
                        connection, 0, root, mask, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
                if (error) {
                    taken = true;
                    continue;
                }
                m_grabs.append({root, keycode, mask});
            }
        }
    }
    if (taken)
        qDebug().noquote() << QStringLiteral("[Velmora] The hot key is taken by another program");
    if (!m_grabs.isEmpty() && !m_filtering) {
        qApp->installNativeEventFilter(this);
        m_filtering = true;
    }
}

void GlobalHotkey::unregister()
{
    if (xcb_connection_t* connection = m_grabs.isEmpty() ? nullptr : x11Connection()) {
        for (const Grab& grab : m_grabs)
            xcb_ungrab_key(connection, grab.keycode, grab.root, grab.modifiers);
        xcb_flush(connection);
    }
    m_grabs.clear();
    if (m_filtering && qApp) {
        qApp->removeNativeEventFilter(this);
        m_filtering = false;
    }
    m_held = false;
    m_onTrigger = nullptr;
}

bool GlobalHotkey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_grabs.isEmpty() || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Press and release events share one layout.
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    const bool ours = std::any_of(m_grabs.begin(), m_grabs.end(), [key](const Grab& grab) {
        return grab.root == key->event && grab.keycode == key->detail;
    });
    if (!ours)
        return false;
    if (type == XCB_KEY_RELEASE) {
        m_held = false;
        return true;
    }
    if ((key->state & ~m_ignoredModifiers & 0xff) != m_modifiers)
        return false;
    // Auto-repeat sends presses without releases while the key is held.
    if (m_held)
        return true;
    m_held = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_onTrigger)
                m_onTrigger();
        },
        Qt::QueuedConnection);
    return true;
}

} // namespace velmora
