#pragma once

#include "skin/SkinManifest.h"

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

namespace velmora {

// A small round button with a white symbol on a tinted disc: the edit and
// delete buttons of a skin card.
class RoundSymbolButton final : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int side = 22;

    RoundSymbolButton(const QString& symbol, const QColor& tint, const QString& help, QWidget* parent = nullptr);
    QString symbol() const { return m_symbol; }
    QColor tint() const { return m_tint; }
    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    QColor m_tint;
};

// One skin in the picker's grid: a thumbnail of its frame picture (or, when
// there is none, a placeholder in the skin's own colours), its name, a mark
// and outline when it is the current skin, a keyboard badge when it maps
// keys, and, on user skins while the pointer is over it, round edit and
// delete buttons. A click anywhere else selects the skin. The card changes
// nothing itself; it calls its callbacks at once.
class SkinCard final : public QWidget {
    Q_OBJECT

public:
    static constexpr int inset = 8;
    static constexpr int thumbnailHeight = 120;
    static constexpr int spacing = 8;
    static constexpr int nameHeight = 14;
    static constexpr int cardHeight = inset + thumbnailHeight + spacing + nameHeight + inset;

    SkinCard(SkinManifest skin, std::optional<QString> userFolder, bool isCurrent, std::function<void()> onSelect,
             std::function<void(const QString& folder)> onEdit, std::function<void()> onDelete,
             QWidget* parent = nullptr);

    const SkinManifest& skin() const { return m_skin; }
    const std::optional<QString>& userFolder() const { return m_userFolder; }
    bool isCurrent() const { return m_isCurrent; }
    bool isHovering() const { return m_hovering; }
    RoundSymbolButton* editButton() const { return m_edit; }
    RoundSymbolButton* deleteButton() const { return m_delete; }

    // Where the thumbnail, the keyboard badge (when the skin maps keys) and
    // the name row sit in the card.
    QRectF thumbnailArea() const;
    // The part of the thumbnail area the picture or placeholder fills: the
    // frame's aspect ratio, fitted and centred.
    QRectF thumbnailRect() const;
    std::optional<QRectF> badgeRect() const;
    QRectF nameArea() const;

    // The frame picture by its name in the skin, read from disk each call,
    // kept no larger than fitWithin (when valid).
    static QImage loadSkinImage(const QString& frameImageName, QSize fitWithin = {});
    // The pixels the thumbnail shows at most: the picture is kept at that
    // size, not at the size of its file.
    QSize pictureBox() const;
    // The thumbnail's picture as the card keeps it, read when first needed;
    // null for the placeholder.
    const QImage& picture();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setHovering(bool hovering);
    void placeButtons();
    void paintThumbnail(QPainter& painter);
    void paintName(QPainter& painter);

    SkinManifest m_skin;
    std::optional<QString> m_userFolder;
    bool m_isCurrent;
    std::function<void()> m_onSelect;
    std::function<void(const QString&)> m_onEdit;
    std::function<void()> m_onDelete;
    bool m_hovering = false;
    bool m_pressed = false;
    std::optional<QImage> m_picture; // read when first drawn, at pictureBox()
    RoundSymbolButton* m_edit = nullptr;
    RoundSymbolButton* m_delete = nullptr;
};

} // namespace velmora
