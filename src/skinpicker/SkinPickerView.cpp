#include "skinpicker/SkinPickerView.h"

#include "core/AppPaths.h"
#include "look/ButtonStyle.h"
#include "look/Drawing.h"
#include "skinpicker/PickerLook.h"
#include "skinpicker/SkinCard.h"
#include "skinpicker/SkinPickerModel.h"

#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace velmora {
namespace {

// The dashed outline shown while a drag the window takes hovers over it. It
// lets every click through.
class DropHighlight final : public QWidget {
public:
    explicit DropHighlight(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(PickerLook::accent(), 3);
        pen.setDashPattern({8.0 / 3, 5.0 / 3}); // in pen widths: 8 on, 5 off
        painter.setPen(pen);
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()).adjusted(8, 8, -8, -8), 10, 10);
        painter.drawPath(outline);
    }
};

QPalette darkPalette(const QPalette& base)
{
    QPalette palette = base;
    const QColor text(0xE8, 0xE8, 0xEC);
    palette.setColor(QPalette::Window, PickerLook::background());
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x31));
    palette.setColor(QPalette::AlternateBase, QColor(0x22, 0x22, 0x28));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x2A, 0x2A, 0x31));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::ToolTipBase, QColor(0x2A, 0x2A, 0x31));
    palette.setColor(QPalette::ToolTipText, text);
    return palette;
}

const QString scrollBarStyle = QStringLiteral(
    "QScrollBar:vertical { background: transparent; width: 10px; margin: 2px 2px 2px 0; }"
    "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 56); border-radius: 4px; min-height: 28px; }"
    "QScrollBar::handle:vertical:hover { background: rgba(255, 255, 255, 90); }"
    "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
    "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }");

} // namespace

SkinImportDialog::SkinImportDialog(QWidget* parent) : QFileDialog(parent, title)
{
    // The platform dialogs choose either files or folders, never both.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilters({QStringLiteral("Skins and pictures (*.zip *.png *.jpg *.jpeg *.heic)")});
    setLabelText(QFileDialog::Accept, QStringLiteral("Open"));
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        auto* label = new QLabel(message, this);
        label->setContentsMargins(0, 0, 0, 4);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
}

void SkinImportDialog::accept()
{
    const QStringList files = selectedFiles();
    if (files.size() == 1 && QFileInfo(files.first()).isDir()) {
        m_chosen = QDir::cleanPath(files.first());
        QDialog::accept();
        return;
    }
    if (files.size() == 1)
        m_chosen = files.first();
    QFileDialog::accept();
}

std::optional<QString> SkinImportDialog::choose(QWidget* parent)
{
    SkinImportDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

SkinPickerView::SkinPickerView(SkinLoader& skins, std::optional<QString> currentSkinId, QWidget* parent)
    : QWidget(parent), m_currentSkinId(std::move(currentSkinId)), m_model(new SkinPickerModel(skins, this))
{
    m_desktop.openFolder = [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
    m_model->setAsk([this](const SkinPickerModel::Question& question) {
        return SkinPickerModel::askInMessageBox(question, window());
    });

    setPalette(darkPalette(palette()));
    setAutoFillBackground(true);
    setAcceptDrops(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 16, 0, 10);
    layout->setSpacing(14);
    layout->addWidget(buildHeader());

    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->verticalScrollBar()->setStyleSheet(scrollBarStyle);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_grid = new QWidget;
    m_grid->setAutoFillBackground(false);
    m_gridLayout = new QGridLayout(m_grid);
    m_gridLayout->setContentsMargins(16, 4, 16, 4);
    m_gridLayout->setHorizontalSpacing(16);
    m_gridLayout->setVerticalSpacing(16);
    m_gridLayout->setAlignment(Qt::AlignTop);
    for (int column = 0; column < columns; ++column) {
        m_gridLayout->setColumnStretch(column, 1);
        m_gridLayout->setColumnMinimumWidth(column, 10);
    }
    m_scroll->setWidget(m_grid);
    layout->addWidget(m_scroll, 1);

    m_footer = new QLabel(this);
    m_footer->setAlignment(Qt::AlignCenter);
    m_footer->setFont(PickerLook::monospaced(10));
    m_footer->setWordWrap(true);
    m_footer->setContentsMargins(16, 0, 16, 0);
    layout->addWidget(m_footer);

    m_dropHighlight = new DropHighlight(this);

    connect(m_model, &SkinPickerModel::skinsChanged, this, &SkinPickerView::rebuildCards);
    connect(m_model, &SkinPickerModel::statusMessageChanged, this, &SkinPickerView::refreshFooter);
    rebuildCards();
    refreshFooter();
}

SkinPickerView::~SkinPickerView() = default;

QWidget* SkinPickerView::buildHeader()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(16, 0, 16, 0);
    row->setSpacing(8);

    auto* title = new QLabel(QStringLiteral("CHOOSE A SKIN"), header);
    QFont font = PickerLook::monospaced(14, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    title->setFont(font);
    Drawing::setTextColor(title, PickerLook::white(0.6f));
    row->addWidget(title);
    row->addStretch(1);

    const auto button = [&](const QString& text) {
        auto* b = new QPushButton(text, header);
        b->setStyleSheet(ButtonStyle::bordered(palette(), ButtonStyle::Size::Small));
        b->setCursor(Qt::PointingHandCursor);
        row->addWidget(b);
        return b;
    };
    m_import = button(QStringLiteral("Import…"));
    m_import->setToolTip(QStringLiteral("Install a skin folder or .zip, or start a new skin from an image"));
    m_reload = button(QStringLiteral("Reload"));
    m_openFolder = button(QStringLiteral("Open Folder"));
    connect(m_import, &QPushButton::clicked, this, &SkinPickerView::importViaPanel);
    connect(m_reload, &QPushButton::clicked, m_model, &SkinPickerModel::reload);
    connect(m_openFolder, &QPushButton::clicked, this, &SkinPickerView::openSkinsFolder);
    return header;
}

void SkinPickerView::rebuildCards()
{
    // A card may be the one whose button led here: let it finish first.
    for (SkinCard* card : std::as_const(m_cards)) {
        m_gridLayout->removeWidget(card);
        card->hide();
        card->deleteLater();
    }
    m_cards.clear();

    int index = 0;
    for (const SkinManifest& skin : m_model->skins()) {
        const bool current = m_currentSkinId && *m_currentSkinId == skin.id;
        auto* card = new SkinCard(
            skin,
            skin.userFolderURL(),
            current,
            [this, skin] { emit skinPicked(skin); },
            [this](const QString& folder) { emit editRequested(folder); },
            [this, skin] { m_model->deleteSkin(skin); },
            m_grid);
        m_gridLayout->addWidget(card, index / columns, index % columns, Qt::AlignTop);
        m_cards.append(card);
        ++index;
    }
}

QString SkinPickerView::footerText() const { return m_footer->text(); }

void SkinPickerView::refreshFooter()
{
    const std::optional<QString> status = m_model->statusMessage();
    m_footer->setText(status.value_or(hint));
    Drawing::setTextColor(m_footer, status ? PickerLook::statusGreen() : PickerLook::white(0.45f));
}

void SkinPickerView::importViaPanel()
{
    if (!m_desktop.chooseItem)
        return;
    const std::optional<QString> item = m_desktop.chooseItem(window());
    if (item)
        m_model->importItem(*item, [this](const QString& picture) { emit imageImportRequested(picture); });
}

void SkinPickerView::openSkinsFolder()
{
    const QString folder = AppPaths::skinsDir();
    QDir().mkpath(folder);
    if (m_desktop.openFolder)
        m_desktop.openFolder(folder);
}

QStringList SkinPickerView::droppedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    return files;
}

bool SkinPickerView::acceptsDrag(const QMimeData* data) { return data && (data->hasUrls() || data->hasImage()); }

void SkinPickerView::setTargeted(bool targeted)
{
    if (m_targeted == targeted)
        return;
    m_targeted = targeted;
    m_dropHighlight->setGeometry(rect());
    m_dropHighlight->setVisible(targeted);
    m_dropHighlight->raise();
}

void SkinPickerView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!acceptsDrag(event->mimeData()))
        return;
    event->acceptProposedAction();
    setTargeted(true);
}

void SkinPickerView::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsDrag(event->mimeData()))
        event->acceptProposedAction();
}

void SkinPickerView::dragLeaveEvent(QDragLeaveEvent* event)
{
    QWidget::dragLeaveEvent(event);
    setTargeted(false);
}

void SkinPickerView::dropEvent(QDropEvent* event)
{
    setTargeted(false);
    if (!acceptsDrag(event->mimeData()))
        return;
    event->acceptProposedAction();
    for (const QString& file : droppedFiles(event->mimeData()))
        m_pendingImports.push_back(file);
    // Imported after the drop has returned, so the questions an install asks
    // never hold up the application the files were dragged from.
    QTimer::singleShot(0, this, &SkinPickerView::importPending);
}

void SkinPickerView::importPending()
{
    if (m_importing)
        return;
    m_importing = true;
    const QPointer<SkinPickerView> alive(this);
    while (alive && !m_pendingImports.empty()) {
        const QString file = m_pendingImports.front();
        m_pendingImports.pop_front();
        m_model->importItem(file, [this](const QString& picture) { emit imageImportRequested(picture); });
    }
    if (alive)
        m_importing = false;
}

void SkinPickerView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_dropHighlight->setGeometry(rect());
}

} // namespace velmora
