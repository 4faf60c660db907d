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

    m_view = new SkinPickerView(skins, std::move(currentSkinId), m_window.get());
    // The pick is reported before the window closes, the others after.
    connect(m_view, &SkinPickerView::skinPicked, this, [this](const SkinManifest& skin) {
        const QPointer<SkinPickerWindowController> self(this);
        emit skinSelected(skin);
        if (self)
            close();
    });
    connect(m_view, &SkinPickerView::editRequested, this, [this](const QString& folder) {
        close();
        emit editSkinRequested(folder);
    });
    connect(m_view, &SkinPickerView::imageImportRequested, this, [this](const QString& picture) {
        close();
        emit importImageRequested(picture);
    });
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

SkinPickerWindowController::~SkinPickerWindowController() = default;

void SkinPickerWindowController::showWindow() { presentWindow(m_window.get()); }

void SkinPickerWindowController::close() { m_window->close(); }

} // namespace velmora
