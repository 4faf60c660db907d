#include "skinbuilder/PropertiesPanel.h"

#include "look/SymbolIcon.h"
#include "skinbuilder/PaletteSection.h"
#include "skinbuilder/PanelControls.h"
#include "skinbuilder/SkinBuilderModel.h"
#include "skinbuilder/SkinSettingsSections.h"
#include "skinbuilder/ViewportInspector.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

namespace {

constexpr int spacing = 14;

QPushButton* named(QPushButton* button, const QString& objectName)
{
    button->setObjectName(objectName);
    return button;
}

QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    for (QPushButton* button : buttons)
        row->addWidget(button);
    return row;
}

// A group of rows laid out like the panel's own column.
QVBoxLayout* sectionColumn(QWidget* section, const QString& title)
{
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    column->addWidget(new SectionHeader(title));
    return column;
}

} // namespace

QString PropertiesPanel::undoTitle(int snapshots) { return QStringLiteral("Undo (%1)").arg(snapshots); }

PropertiesPanel::PropertiesPanel(SkinBuilderModel& model, const QStringList& ansiLabels, QWidget* parent)
    : QScrollArea(parent), m_model(model), m_content(new QWidget)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setBackgroundRole(QPalette::Window);
    m_content->setBackgroundRole(QPalette::Window);
    setFixedWidth(panelWidth);

    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(20, 16, 20, 16);
    column->setSpacing(spacing);

    // 1. Header row.
    m_new = named(PanelLook::wideButton(QStringLiteral("arrow.counterclockwise"), QStringLiteral("New")),
                  QStringLiteral("newButton"));
    m_changePicture = named(PanelLook::wideButton(QStringLiteral("photo"), QStringLiteral("Change PNG")),
                            QStringLiteral("changePictureButton"));
    QPushButton* openSkin
        = named(PanelLook::wideButton(QStringLiteral("folder"),
                                      QStringLiteral("Open Skin…"),
                                      QStringLiteral("Load an installed skin folder back into the editor")),
                QStringLiteral("openSkinButton"));
    column->addLayout(buttonRow({m_new, m_changePicture, openSkin}));

    // 2-3. IMAGE, while a picture is loaded.
    m_imageDivider = PanelLook::divider();
    column->addWidget(m_imageDivider);
    m_imageSection = new QWidget;
    m_imageSection->setObjectName(QStringLiteral("imageSection"));
    QVBoxLayout* image = sectionColumn(m_imageSection, QStringLiteral("IMAGE"));
    QPushButton* removeBackground
        = named(PanelLook::wideButton(QStringLiteral("wand.and.stars"),
                                      QStringLiteral("Remove BG"),
                                      QStringLiteral("Auto-detect + remove solid background color")),
                QStringLiteral("removeBackgroundButton"));
    QPushButton* trim
        = named(PanelLook::wideButton(QStringLiteral("crop"),
                                      QStringLiteral("Trim"),
                                      QStringLiteral("Crop transparent margins to the content bounding box")),
                QStringLiteral("trimButton"));
    image->addLayout(buttonRow({removeBackground, trim}));
    QPushButton* penCrop = named(
        PanelLook::wideButton(QStringLiteral("scribble.variable"),
                              QStringLiteral("Pen Crop"),
                              QStringLiteral("Draw a polygon around what to KEEP — outside becomes transparent")),
        QStringLiteral("penCropButton"));
    QPushButton* penErase = named(
        PanelLook::wideButton(QStringLiteral("eraser"),
                              QStringLiteral("Pen Erase"),
                              QStringLiteral("Draw a polygon around what to REMOVE — inside becomes transparent")),
        QStringLiteral("penEraseButton"));
    image->addLayout(buttonRow({penCrop, penErase}));
    m_penHint = PanelLook::hint();
    m_penHint->setObjectName(QStringLiteral("penHint"));
    image->addWidget(m_penHint);
    m_magicWand
        = named(PanelLook::wideButton(
                    QStringLiteral("wand.and.stars"),
                    QStringLiteral("Magic Wand"),
                    QStringLiteral("Click a color in the image to erase it and all connected pixels of that color")),
                QStringLiteral("magicWandButton"));
    image->addWidget(m_magicWand);
    m_toleranceRow = new QWidget;
    m_toleranceRow->setObjectName(QStringLiteral("toleranceRow"));
    auto* toleranceColumn = new QVBoxLayout(m_toleranceRow);
    toleranceColumn->setContentsMargins(0, 0, 0, 0);
    toleranceColumn->setSpacing(6);
    auto* toleranceLine = new QHBoxLayout;
    toleranceLine->setSpacing(8);
    QLabel* toleranceTitle = PanelLook::hint(QStringLiteral("Tolerance"));
    toleranceTitle->setWordWrap(false);
    toleranceLine->addWidget(toleranceTitle);
    m_tolerance = new StepSlider(5, 100, 1);
    m_tolerance->setObjectName(QStringLiteral("toleranceSlider"));
    m_tolerance->setAccessibleName(QStringLiteral("Magic wand tolerance"));
    toleranceLine->addWidget(m_tolerance, 1);
    m_toleranceValue
        = PanelLook::label(QString(), PanelLook::font(9, QFont::Normal, true), palette().color(QPalette::WindowText));
    m_toleranceValue->setFixedWidth(24);
    m_toleranceValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    toleranceLine->addWidget(m_toleranceValue);
    toleranceColumn->addLayout(toleranceLine);
    m_wandHint = PanelLook::hint(magicWandHint);
    toleranceColumn->addWidget(m_wandHint);
    image->addWidget(m_toleranceRow);
    m_undo = named(PanelLook::wideButton(QStringLiteral("arrow.uturn.backward"), undoTitle(0)),
                   QStringLiteral("undoButton"));
    image->addWidget(m_undo);
    column->addWidget(m_imageSection);
    m_imageSectionDivider = PanelLook::divider();
    column->addWidget(m_imageSectionDivider);

    // 4. VIEWPORT.
    auto* viewport = new QWidget;
    QVBoxLayout* viewportColumn = sectionColumn(viewport, QStringLiteral("VIEWPORT"));
    m_drawViewport = named(PanelLook::wideButton(QStringLiteral("rectangle.dashed"), QStringLiteral("Draw Viewport")),
                           QStringLiteral("drawViewportButton"));
    viewportColumn->addWidget(m_drawViewport);
    viewportColumn->addWidget(
        PanelLook::hint(QStringLiteral("Drag a rect over the screen area where the terminal renders.")));
    m_inspector = new ViewportInspector(model);
    viewportColumn->addWidget(m_inspector);
    column->addWidget(viewport);
    column->addWidget(PanelLook::divider());

    // 5-6. PALETTE and EFFECTS.
    m_palette = new PaletteSection(model, ansiLabels);
    column->addWidget(m_palette);
    column->addWidget(PanelLook::divider());
    m_effects = new EffectsSection(model);
    column->addWidget(m_effects);
    column->addWidget(PanelLook::divider());

    // 7. What is still missing.
    m_validation = new QWidget;
    m_validation->setObjectName(QStringLiteral("validationList"));
    m_validationRows = new QVBoxLayout(m_validation);
    m_validationRows->setContentsMargins(0, 4, 0, 4);
    m_validationRows->setSpacing(4);
    column->addWidget(m_validation);

    // 8-10. SKIN INFO, LAUNCH SIZE, SCREEN LAYER.
    m_skinInfo = new SkinInfoSection(model);
    column->addWidget(m_skinInfo);
    column->addWidget(PanelLook::divider());
    m_launchSize = new LaunchSizeSection(model);
    column->addWidget(m_launchSize);
    column->addWidget(PanelLook::divider());
    m_screenLayer = new ScreenLayerSection(model);
    column->addWidget(m_screenLayer);
    column->addWidget(PanelLook::divider());

    // 11-14. Actions and the status line.
    m_preview = named(PanelLook::wideButton(QStringLiteral("eye"), QStringLiteral("Preview Skin")),
                      QStringLiteral("previewButton"));
    m_export = named(PanelLook::wideButton(QStringLiteral("square.and.arrow.up"), QStringLiteral("Export Skin")),
                     QStringLiteral("exportButton"));
    m_install = named(PanelLook::wideButton(QStringLiteral("square.and.arrow.down"), QStringLiteral("Install Skin")),
                      QStringLiteral("installButton"));
    PanelLook::makeProminent(m_install);
    column->addWidget(m_preview);
    column->addWidget(m_export);
    column->addWidget(m_install);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setFont(PanelLook::font(11));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(m_status);
    column->addStretch(1);
    setWidget(m_content);

    connect(m_new, &QPushButton::clicked, &model, &SkinBuilderModel::reset);
    connect(m_changePicture, &QPushButton::clicked, &model, &SkinBuilderModel::openImage);
    connect(openSkin, &QPushButton::clicked, &model, &SkinBuilderModel::openSkin);
    connect(removeBackground, &QPushButton::clicked, this, [this] {
        m_model.removeBackground(SkinBuilderModel::removeBackgroundTolerance);
    });
    connect(trim, &QPushButton::clicked, &model, &SkinBuilderModel::trimToContent);
    connect(penCrop, &QPushButton::clicked, this, [this] { m_model.setCurrentTool(DrawTool::imageCropPen); });
    connect(penErase, &QPushButton::clicked, this, [this] { m_model.setCurrentTool(DrawTool::imageErasePen); });
    connect(m_magicWand, &QPushButton::clicked, this, [this] { m_model.setCurrentTool(DrawTool::magicWand); });
    connect(m_tolerance, &StepSlider::valueEdited, this, [this](double v) { m_model.setMagicWandTolerance(v); });
    connect(m_undo, &QPushButton::clicked, &model, &SkinBuilderModel::undo);
    connect(m_drawViewport, &QPushButton::clicked, this, [this] { m_model.setCurrentTool(DrawTool::viewport); });
    connect(m_preview, &QPushButton::clicked, &model, &SkinBuilderModel::previewSkin);
    connect(m_export, &QPushButton::clicked, &model, &SkinBuilderModel::exportSkin);
    connect(m_install, &QPushButton::clicked, &model, &SkinBuilderModel::installSkin);
    connect(&model, &SkinBuilderModel::changed, this, &PropertiesPanel::refresh);
    refresh();
}

QPushButton* PropertiesPanel::button(const QString& objectName) const
{
    return m_content->findChild<QPushButton*>(objectName);
}

QStringList PropertiesPanel::validationTexts() const
{
    return m_validation->isVisibleTo(this) ? m_shownIssues : QStringList();
}

void PropertiesPanel::refreshValidation(const QStringList& issues)
{
    m_validation->setVisible(!issues.isEmpty());
    if (issues == m_shownIssues)
        return;
    m_shownIssues = issues;
    while (QLayoutItem* item = m_validationRows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QColor orange(255, 149, 0);
    for (const QString& issue : issues) {
        auto* row = new QWidget;
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(4);
        auto* symbol = new QLabel;
        symbol->setPixmap(
            SymbolIcon::pixmap(QStringLiteral("exclamationmark.triangle.fill"), orange, 11, devicePixelRatioF()));
        line->addWidget(symbol, 0, Qt::AlignTop);
        QLabel* text = PanelLook::label(issue, PanelLook::font(10));
        text->setWordWrap(true);
        line->addWidget(text, 1);
        m_validationRows->addWidget(row);
    }
}

void PropertiesPanel::refresh()
{
    const bool hasImage = m_model.hasImage();
    const DrawTool tool = m_model.currentTool();
    m_new->setVisible(hasImage);
    m_changePicture->setVisible(hasImage);
    m_imageDivider->setVisible(hasImage);
    m_imageSection->setVisible(hasImage);
    m_imageSectionDivider->setVisible(hasImage);

    m_penHint->setVisible(isPenTool(tool));
    if (tool == DrawTool::imageCropPen)
        m_penHint->setText(cropPenHint);
    else if (tool == DrawTool::imageErasePen)
        m_penHint->setText(erasePenHint);
    PanelLook::setTinted(m_magicWand, tool == DrawTool::magicWand);
    m_toleranceRow->setVisible(tool == DrawTool::magicWand);
    m_tolerance->setValue(m_model.magicWandTolerance());
    m_toleranceValue->setText(QString::number(qint64(m_model.magicWandTolerance())));
    const int snapshots = int(m_model.history().count());
    m_undo->setVisible(snapshots > 0);
    m_undo->setText(undoTitle(snapshots));

    PanelLook::setTinted(m_drawViewport, tool == DrawTool::viewport);
    m_drawViewport->setEnabled(hasImage);
    m_inspector->setVisible(tool == DrawTool::viewport);

    const QStringList issues = m_model.validationIssues();
    refreshValidation(issues);
    for (QPushButton* action : {m_preview, m_export, m_install})
        action->setEnabled(issues.isEmpty());

    m_status->setVisible(m_model.statusMessage().has_value());
    if (const auto& message = m_model.statusMessage()) {
        m_status->setText(*message);
        QPalette palette = m_status->palette();
        palette.setColor(QPalette::WindowText, m_model.statusIsError() ? QColor(215, 48, 39) : QColor(36, 138, 61));
        m_status->setPalette(palette);
    }
}

} // namespace velmora
