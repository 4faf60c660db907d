#pragma once

#include <QWidget>

class QStackedWidget;
class QHBoxLayout;

namespace velmora {

class CanvasScrollView;
class SkinBuilderModel;

// The builder window's content: the editing area, which shows the drop zone
// while the model holds no picture and the editing canvas once it does, and
// to its right, behind a divider, the side panel of fixed width.
class SkinBuilderView final : public QWidget {
    Q_OBJECT

public:
    // The window cannot be made smaller than this.
    static constexpr QSize minimumContentSize{940, 540};

    explicit SkinBuilderView(SkinBuilderModel& model, QWidget* parent = nullptr);

    SkinBuilderModel& model() const { return m_model; }
    CanvasScrollView* canvasScrollView() const { return m_canvas; }

    // What the editing area shows while there is no picture (the drop zone);
    // the view takes ownership and drops the previous one.
    void setEmptyState(QWidget* emptyState);
    QWidget* emptyState() const { return m_emptyState; }

    // The side panel right of the editing area, behind a divider; the view
    // takes ownership and drops the previous one.
    void setSidePanel(QWidget* panel);
    QWidget* sidePanel() const { return m_sidePanel; }

    // True while the editing area shows the canvas.
    bool showsCanvas() const;

private:
    void modelChanged();

    SkinBuilderModel& m_model;
    QHBoxLayout* m_layout;
    QStackedWidget* m_editingArea;
    QWidget* m_emptyState;
    CanvasScrollView* m_canvas;
    QWidget* m_divider = nullptr;
    QWidget* m_sidePanel = nullptr;
};

} // namespace velmora
