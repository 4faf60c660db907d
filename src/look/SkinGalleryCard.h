#pragma once

#include "skin/SkinManifest.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QAbstractButton;
class QGraphicsDropShadowEffect;
class QLabel;
class QPushButton;
class QVariantAnimation;

namespace velmora {

class SkinDevicePreview;

// One skin in the settings window's Skins tab: a still miniature of the
// device, badges for where the skin comes from, whether it is the default
// and whether it maps keys, its name and frame size, and "Use Now", "Make
// Default" (or a "Default" mark) and, for user skins, a delete button that
// shows while the pointer is over the card. The card changes nothing itself;
// it calls its callbacks at once.
class SkinGalleryCard final : public QWidget {
    Q_OBJECT

public:
    static constexpr int previewHeight = 156;

    // The origin badge: its text and capsule colour.
    struct Badge {
        QString text;
        QColor color;
    };

    SkinGalleryCard(SkinManifest skin, bool isDefault, std::function<void()> onUseNow,
                    std::function<void()> onMakeDefault, std::function<void()> onDelete, QWidget* parent = nullptr);

    const SkinManifest& skin() const { return m_skin; }
    bool isDefault() const { return m_isDefault; }
    bool isHovering() const { return m_hovering; }
    // The skin's folder among the user skins, when it holds "skin.json".
    std::optional<QString> userFolder() const;

    SkinDevicePreview* preview() const { return m_preview; }
    QPushButton* useNowButton() const { return m_useNow; }
    QPushButton* makeDefaultButton() const { return m_makeDefault; } // none on the default skin
    QWidget* defaultMark() const { return m_defaultMark; } // only on the default skin
    QAbstractButton* deleteButton() const { return m_delete; } // only on user skins
    QWidget* originBadge() const { return m_originBadge; }
    QWidget* cornerBadge() const { return m_cornerBadge; } // the default or keyboard badge, or none
    QString nameText() const;
    QString sizeText() const;
    // The delete button's opacity: nearly none, but still clickable, until
    // the pointer is over the card.
    qreal deleteOpacity() const;

    // "FALLBACK" without a picture, "ON DISK" for an absolute picture path,
    // "BUILT-IN" otherwise.
    static Badge originBadgeFor(const SkinManifest& skin, const QPalette& palette);
    // "398 × 555": the frame's width and height as whole numbers.
    static QString sizeCaption(QSizeF frameSize);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildPreview();
    QWidget* buildCaption();
    QWidget* buildFooter();
    void setHovering(bool hovering);
    void applyHover(qreal progress);
    void applyColors();

    SkinManifest m_skin;
    bool m_isDefault;
    std::function<void()> m_onUseNow;
    std::function<void()> m_onMakeDefault;
    std::function<void()> m_onDelete;
    bool m_hovering = false;
    qreal m_hoverProgress = 0;

    SkinDevicePreview* m_preview = nullptr;
    QWidget* m_originBadge = nullptr;
    QWidget* m_cornerBadge = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_size = nullptr;
    QPushButton* m_useNow = nullptr;
    QPushButton* m_makeDefault = nullptr;
    QWidget* m_defaultMark = nullptr;
    QLabel* m_defaultIcon = nullptr;
    QLabel* m_defaultText = nullptr;
    QAbstractButton* m_delete = nullptr;
    QGraphicsDropShadowEffect* m_shadow = nullptr;
    QVariantAnimation* m_hoverAnimation = nullptr;
};

} // namespace velmora
