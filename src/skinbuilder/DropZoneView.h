#pragma once

#include <QWidget>

namespace velmora {

class SkinBuilderModel;

// The builder's empty state: an invitation to drop a picture or choose one,
// covering the whole editing area. A drop of files hands the first one to
// the model, once the drop itself is over; the model reports a file that is
// not a picture.
class DropZoneView final : public QWidget {
    Q_OBJECT

public:
    static inline const QString title = QStringLiteral("Drop a skin image here");
    static inline const QString subtitle
        = QStringLiteral("PNG (recommended) · JPG / HEIC — auto-converted to PNG on install");
    static inline const QString chooseTitle = QStringLiteral("Choose File...");

    explicit DropZoneView(SkinBuilderModel& model, QWidget* parent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    SkinBuilderModel& m_model;
};

} // namespace velmora
