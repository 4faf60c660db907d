#include "skinbuilder/SkinBuilderView.h"

#include "skinbuilder/CanvasScrollView.h"
#include "skinbuilder/DropZoneView.h"
#include "skinbuilder/PaletteSection.h"
#include "skinbuilder/PropertiesPanel.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QStackedWidget>

namespace velmora {

SkinBuilderView::SkinBuilderView(SkinBuilderModel& model, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_layout(new QHBoxLayout(this)),
      m_editingArea(new QStackedWidget),
      m_emptyState(new QWidget),
      m_canvas(new CanvasScrollView(model))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_emptyState->setBackgroundRole(QPalette::Base);
    m_emptyState->setAutoFillBackground(true);
    m_editingArea->addWidget(m_emptyState);
    m_editingArea->addWidget(m_canvas);
    m_layout->addWidget(m_editingArea, 1);
    setEmptyState(new DropZoneView(model));
    setSidePanel(new PropertiesPanel(model, PaletteSection::defaultAnsiLabels()));
    setMinimumSize(minimumContentSize);
    connect(&model, &SkinBuilderModel::changed, this, &SkinBuilderView::modelChanged);
    modelChanged();
}

void SkinBuilderView::setEmptyState(QWidget* emptyState)
{
    const bool shown = m_editingArea->currentWidget() == m_emptyState;
    m_editingArea->removeWidget(m_emptyState);
    delete m_emptyState;
    m_emptyState = emptyState;
    m_editingArea->insertWidget(0, m_emptyState);
    if (shown)
        m_editingArea->setCurrentWidget(m_emptyState);
}

void SkinBuilderView::setSidePanel(QWidget* panel)
{
    delete m_sidePanel;
    m_sidePanel = panel;
    if (!m_divider) {
        auto* line = new QFrame;
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Plain);
        line->setForegroundRole(QPalette::Mid);
        m_divider = line;
        m_layout->addWidget(m_divider);
    }
    m_layout->addWidget(m_sidePanel);
}

bool SkinBuilderView::showsCanvas() const { return m_editingArea->currentWidget() == m_canvas; }

void SkinBuilderView::modelChanged()
{
    m_editingArea->setCurrentWidget(m_model.hasImage() ? static_cast<QWidget*>(m_canvas) : m_emptyState);
}

} // namespace velmora
