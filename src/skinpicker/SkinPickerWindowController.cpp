#include "skinpicker/SkinPickerWindowController.h"

#include "look/PresentWindow.h"
#include "skinpicker/SkinPickerView.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace velmora {

SkinPickerWindowController::SkinPickerWindowController(SkinLoader& skins, std::optional<QString> currentSkinId,
                                                       QObject* parent)
    : QObject(parent), m_window(std::make_unique<QWidget>())
{
    m_window->setWindowTitle(windowTitle);
    m_window->setMinimumSize(minimumSize);
    m_window->resize(initialSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), initialSize);
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }

    const QPointer<SkinPickerWindowController> self(this);
    SkinPickerView::Actions actions;
    actions.onSelect = [self](const SkinManifest& skin) {
        if (!self)
            return;
        if (self->onSkinSelected)
            self->onSkinSelected(skin);
        if (self)
            self->close();
    };
    actions.onEdit = [self](const QString& folder) {
        if (!self)
            return;
        self->close();
        if (self->onEditSkin)
            self->onEditSkin(folder);
    };
    actions.onImportImage = [self](const QString& picture) {
        if (!self)
            return;
        self->close();
        if (self->onImportImage)
            self->onImportImage(picture);
    };
    m_view = new SkinPickerView(skins, std::move(currentSkinId), std::move(actions), m_window.get());
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

SkinPickerWindowController::~SkinPickerWindowController() = default;

void SkinPickerWindowController::showWindow() { presentWindow(m_window.get()); }

void SkinPickerWindowController::close() { m_window->close(); }

} // namespace velmora
