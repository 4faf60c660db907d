#include "skinbuilder/SkinBuilderWindowController.h"

#include "look/PresentWindow.h"
#include "skinbuilder/SkinBuilderDialogs.h"
#include "skinbuilder/SkinBuilderModel.h"
#include "skinbuilder/SkinBuilderView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace velmora {

SkinBuilderWindowController::SkinBuilderWindowController(SkinLoader& skins, QObject* parent)
    : QObject(parent), m_model(std::make_unique<SkinBuilderModel>(skins)), m_window(std::make_unique<QWidget>())
{
    m_window->setWindowTitle(windowTitle);
    m_window->resize(initialWidth, initialHeight);
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new SkinBuilderView(*m_model);
    layout->addWidget(m_view);
    // The content's minimum may be wider than the first size.
    m_window->resize(m_window->size().expandedTo(m_view->minimumSize()));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_window->move(screen->availableGeometry().center() - m_window->rect().center());
    m_model->setDialogs(std::make_unique<QtSkinBuilderDialogs>(m_window.get()));
}

SkinBuilderWindowController::~SkinBuilderWindowController() = default;

void SkinBuilderWindowController::showWindow() { presentWindow(m_window.get()); }

bool SkinBuilderWindowController::mayDiscardCurrentWork(const QString& informativeText, const QString& acceptButton)
{
    if (!m_model->hasImage())
        return true;
    return m_model->dialogs().confirm({QStringLiteral("Discard the current skin in the builder?"),
                                       informativeText,
                                       acceptButton,
                                       QStringLiteral("Cancel")});
}

bool SkinBuilderWindowController::openSkinForEditing(const QString& skinFolder)
{
    showWindow();
    if (!mayDiscardCurrentWork(QStringLiteral("Editing this skin replaces the one you're working on."),
                               QStringLiteral("Discard & Edit")))
        return false;
    return m_model->loadSkin(skinFolder);
}

bool SkinBuilderWindowController::openPicture(const QString& path)
{
    showWindow();
    if (!mayDiscardCurrentWork(QStringLiteral("Loading this image replaces the skin you're working on."),
                               QStringLiteral("Discard & Load")))
        return false;
    return m_model->loadImage(path);
}

} // namespace velmora
