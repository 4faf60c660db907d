#include "skinbuilder/DropZoneView.h"

#include "look/ButtonStyle.h"
#include "look/SymbolIcon.h"
#include "skinbuilder/PanelControls.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace velmora {

namespace {

bool offersFiles(const QMimeData* data) { return data && data->hasUrls(); }

} // namespace

DropZoneView::DropZoneView(SkinBuilderModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setAcceptDrops(true);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(16);
    layout->addStretch(1);

    auto* symbol = new QLabel;
    symbol->setPixmap(SymbolIcon::pixmap(
        QStringLiteral("photo.on.rectangle.angled"), PanelLook::secondaryText(palette()), 56, devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    layout->addWidget(symbol);

    QLabel* heading = PanelLook::label(title, PanelLook::font(18, QFont::Medium, true));
    heading->setAlignment(Qt::AlignCenter);
    heading->setObjectName(QStringLiteral("dropZoneTitle"));
    layout->addWidget(heading);

    QLabel* formats = PanelLook::label(
        subtitle, PanelLook::font(12, QFont::Normal, true), PanelLook::secondaryText(palette(), 0.6));
    formats->setAlignment(Qt::AlignCenter);
    formats->setWordWrap(true);
    layout->addWidget(formats);

    auto* choose = new QPushButton(chooseTitle);
    choose->setObjectName(QStringLiteral("chooseFileButton"));
    choose->setStyleSheet(ButtonStyle::bordered(choose->palette()));
    choose->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(choose, &QPushButton::clicked, this, [this] { m_model.openImage(); });
    layout->addWidget(choose, 0, Qt::AlignHCenter);
    layout->addStretch(1);
}

void DropZoneView::dragEnterEvent(QDragEnterEvent* event)
{
    if (offersFiles(event->mimeData()))
        event->acceptProposedAction();
}

void DropZoneView::dragMoveEvent(QDragMoveEvent* event)
{
    if (offersFiles(event->mimeData()))
        event->acceptProposedAction();
}

void DropZoneView::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = offersFiles(event->mimeData()) ? event->mimeData()->urls() : QList<QUrl>();
    if (urls.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Only the first item counts; the picture is loaded once the drop is
    // over, so the source is not kept waiting. An item that is no local
    // file gives nothing to load.
    const QUrl first = urls.constFirst();
    if (!first.isLocalFile())
        return;
    QTimer::singleShot(0, this, [this, path = first.toLocalFile()] { m_model.loadImage(path); });
}

} // namespace velmora
