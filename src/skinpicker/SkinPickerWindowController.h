#pragma once

#include "skin/SkinManifest.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class QWidget;

namespace velmora {

class SkinLoader;

class SkinPickerView;

// The "Choose a Skin" window. Its opener connects to its signals, calls
// showWindow() and keeps the controller: the application opens a new device
// window with the picked skin, a device window changes its own skin to it.
// Picking a card, editing a skin or importing a picture closes the window
// (the pick is reported first); installs and deletes keep it open. Closing
// only hides the window, so the controller can show it again.
class SkinPickerWindowController final : public QObject {
    Q_OBJECT

public:
    static inline const QString windowTitle = QStringLiteral("Choose a Skin");
    static constexpr QSize initialSize{580, 600};
    static constexpr QSize minimumSize{420, 360};

    // currentSkinId marks the card of that skin as the current one.
    SkinPickerWindowController(SkinLoader& skins, std::optional<QString> currentSkinId, QObject* parent = nullptr);
    ~SkinPickerWindowController() override;

    QWidget* window() const { return m_window.get(); }
    SkinPickerView* view() const { return m_view; }

    // Shows the window, raised and active.
    void showWindow();
    void close();

signals:
    // The user picked a card.
    void skinSelected(const velmora::SkinManifest& skin);
    // The user asked to edit a user skin: its folder, for the skin builder.
    void editSkinRequested(const QString& folder);
    // A picture was dropped or chosen (alone or inside a ".zip") to start a
    // new skin in the skin builder.
    void importImageRequested(const QString& picture);

private:
    std::unique_ptr<QWidget> m_window;
    SkinPickerView* m_view = nullptr;
};

} // namespace velmora
