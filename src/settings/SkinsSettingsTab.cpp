#include "settings/SkinsSettingsTab.h"

#include "core/AppPaths.h"
#include "core/LogText.h"
#include "core/SettingsStore.h"
#include "core/WebService.h"
#include "look/SkinGalleryCard.h"
#include "look/SkinPreviewImageCache.h"
#include "look/SymbolIcon.h"
#include "settings/SettingsLook.h"
#include "settings/SettingsViewModel.h"
#include "skin/FolderInstall.h"
#include "skin/SkinLoader.h"

#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace velmora {
namespace {

bool askToDelete(QWidget* parent, const SkinManifest& skin)
{
    QMessageBox alert(QMessageBox::Warning,
                      QStringLiteral("Delete Skin"),
                      QStringLiteral("Delete \u201C%1\u201D?").arg(skin.name),
                      QMessageBox::NoButton,
                      parent);
    alert.setInformativeText(
        QStringLiteral("This permanently removes the skin folder from disk. This can't be undone."));
    QPushButton* remove = alert.addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    alert.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    alert.setDefaultButton(remove);
    alert.exec();
    return alert.clickedButton() == remove;
}

QPushButton* smallButton(const QString& title, QWidget* parent)
{
    auto* button = new QPushButton(title, parent);
    button->setFont(SettingsLook::font(12));
    return button;
}

} // namespace

SkinsSettingsTab::SkinsSettingsTab(SettingsViewModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    m_actions.confirmDelete = [this](const SkinManifest& skin) { return askToDelete(this, skin); };
    m_actions.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(SettingsLook::tabMargins());
    layout->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(SettingsLook::sectionHeader(QStringLiteral("Installed Skins"), this));
    header->addStretch(1);
    m_browse = smallButton(QStringLiteral("Browse Community Skins"), this);
    m_browse->setIcon(QIcon(SymbolIcon::pixmap(
        QStringLiteral("rectangle.grid.2x2.fill"), palette().color(QPalette::ButtonText), 14, devicePixelRatioF())));
    m_reload = smallButton(QStringLiteral("Reload"), this);
    m_openFolder = smallButton(QStringLiteral("Open Skins Folder"), this);
    header->addWidget(m_browse);
    header->addWidget(m_reload);
    header->addWidget(m_openFolder);
    layout->addLayout(header);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("skinsScroll"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_grid = new QWidget;
    m_grid->setObjectName(QStringLiteral("skinsGrid"));
    m_gridLayout = new QGridLayout(m_grid);
    m_gridLayout->setContentsMargins(2, 4, 2, 4);
    m_gridLayout->setHorizontalSpacing(spacing);
    m_gridLayout->setVerticalSpacing(spacing);
    m_gridLayout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scroll->setWidget(m_grid);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_grid->setAutoFillBackground(false);
    layout->addWidget(m_scroll, 1);

    layout->addWidget(SettingsLook::caption(caption, this));

    connect(m_browse, &QPushButton::clicked, this, [this] { browseCommunitySkins(); });
    connect(m_reload, &QPushButton::clicked, this, [this] { reload(); });
    connect(m_openFolder, &QPushButton::clicked, this, [this] { openSkinsFolder(); });
    connect(&m_model, &SettingsViewModel::changed, this, [this] { rebuildIfNeeded(); });
    rebuild();
}

void SkinsSettingsTab::setActions(Actions actions)
{
    if (actions.useSkin)
        m_actions.useSkin = std::move(actions.useSkin);
    if (actions.confirmDelete)
        m_actions.confirmDelete = std::move(actions.confirmDelete);
    if (actions.openUrl)
        m_actions.openUrl = std::move(actions.openUrl);
}

std::vector<SkinManifest> SkinsSettingsTab::skinsToShow() const
{
    return SkinManifest::orBuiltInPair(m_model.skins().skins());
}

int SkinsSettingsTab::columnCount(int width) { return std::max(1, (width + spacing) / (minimumColumnWidth + spacing)); }

void SkinsSettingsTab::makeDefault(const SkinManifest& skin)
{
    m_model.setDefaultSkin(skin.name);
    SettingsStore& store = m_model.settings();
    if (store.data().defaultSkin == skin.name)
        return;
    store.data().defaultSkin = skin.name;
    store.save();
}

void SkinsSettingsTab::deleteSkin(const SkinManifest& skin)
{
    const QString folder = QDir(AppPaths::skinsDir()).filePath(skin.id);
    if (skin.isBundled || skin.id.isEmpty() || !QFileInfo(QDir(folder).filePath(QStringLiteral("skin.json"))).isFile())
        return;
    if (!m_actions.confirmDelete || !m_actions.confirmDelete(skin))
        return;
    QString error;
    if (!FolderInstall::removeFolder(folder, &error))
        qWarning().noquote()
            << QStringLiteral("[Velmora] Couldn't delete the skin %1: %2").arg(LogText::escaped(folder), error);
    SkinPreviewImageCache::clear();
    m_model.skins().reloadAndBroadcast();
}

void SkinsSettingsTab::reload()
{
    SkinPreviewImageCache::clear();
    m_model.skins().loadAll();
    m_model.bumpSkinsTick();
}

void SkinsSettingsTab::openSkinsFolder()
{
    const QString folder = AppPaths::skinsDir();
    QDir().mkpath(folder);
    if (m_actions.openUrl)
        m_actions.openUrl(QUrl::fromLocalFile(folder));
}

void SkinsSettingsTab::browseCommunitySkins()
{
    const QUrl url = WebService::url(QStringLiteral("/community"));
    if (url.isValid() && m_actions.openUrl)
        m_actions.openUrl(url);
}

void SkinsSettingsTab::rebuildIfNeeded()
{
    if (m_model.skinsTick() != m_builtTick || m_model.defaultSkin() != m_builtDefault)
        rebuild();
}

void SkinsSettingsTab::rebuild()
{
    m_builtTick = m_model.skinsTick();
    m_builtDefault = m_model.defaultSkin();
    for (SkinGalleryCard* card : std::as_const(m_cards)) {
        m_gridLayout->removeWidget(card);
        card->hide();
        card->deleteLater();
    }
    m_cards.clear();
    for (const SkinManifest& skin : skinsToShow()) {
        auto* card = new SkinGalleryCard(
            skin,
            skin.name == m_model.defaultSkin(),
            [this, skin] {
                if (m_actions.useSkin)
                    m_actions.useSkin(skin);
            },
            [this, skin] { makeDefault(skin); },
            [this, skin] { deleteSkin(skin); },
            m_grid);
        card->setMaximumWidth(maximumColumnWidth);
        m_cards.append(card);
    }
    m_columns = 0;
    arrange();
}

void SkinsSettingsTab::arrange()
{
    // Room for the scroll bar is kept whether it shows or not, so that its
    // coming and going never changes the columns.
    const int width = m_scroll->width() - m_scroll->verticalScrollBar()->sizeHint().width() - 4;
    const int columns = columnCount(width);
    if (columns == m_columns && m_gridLayout->count() == m_cards.size())
        return;
    m_columns = columns;
    for (SkinGalleryCard* card : std::as_const(m_cards))
        m_gridLayout->removeWidget(card);
    for (int i = 0; i < m_cards.size(); ++i) {
        m_gridLayout->addWidget(m_cards[i], i / columns, i % columns);
        m_cards[i]->show();
    }
    for (int column = 0; column < m_gridLayout->columnCount(); ++column) {
        m_gridLayout->setColumnStretch(column, column < columns ? 1 : 0);
        m_gridLayout->setColumnMinimumWidth(column, column < columns ? minimumColumnWidth : 0);
    }
}

void SkinsSettingsTab::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrange();
}

void SkinsSettingsTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    arrange();
}

} // namespace velmora
