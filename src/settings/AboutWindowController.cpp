#include "settings/AboutWindowController.h"

#include "core/AppInfo.h"
#include "core/WebService.h"
#include "look/ButtonStyle.h"
#include "look/ColorContrast.h"
#include "look/PresentWindow.h"
#include "look/SymbolIcon.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace velmora {
namespace {

constexpr int symbolSide = 64;

QLabel* label(const QString& text, int pixelSize, QWidget* parent, QFont::Weight weight = QFont::Normal)
{
    auto* result = new QLabel(text, parent);
    QFont font = result->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    result->setFont(font);
    result->setTextFormat(Qt::PlainText);
    result->setAlignment(Qt::AlignCenter);
    return result;
}

} // namespace

AboutView::AboutView(QWidget* parent)
    : QWidget(parent), m_openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    setFixedSize(AboutWindowController::contentSize);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 20, 0, 20);
    column->setSpacing(14);

    m_symbol = new QLabel(this);
    m_symbol->setObjectName(QStringLiteral("symbol"));
    m_symbol->setFixedSize(symbolSide, symbolSide);
    column->addWidget(m_symbol, 0, Qt::AlignHCenter);

    auto* name = label(QStringLiteral("Velmora"), 28, this, QFont::DemiBold);
    name->setObjectName(QStringLiteral("name"));
    column->addWidget(name);

    m_version = label(versionLine(), 11, this);
    m_version->setObjectName(QStringLiteral("version"));
    column->addWidget(m_version);

    auto* dividerRow = new QHBoxLayout;
    dividerRow->setContentsMargins(40, 0, 40, 0);
    auto* divider = new QFrame(this);
    divider->setObjectName(QStringLiteral("divider"));
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    dividerRow->addWidget(divider);
    column->addLayout(dividerRow);

    auto* description = new QVBoxLayout;
    description->setSpacing(4);
    auto* taglineLabel = label(tagline, 13, this);
    taglineLabel->setObjectName(QStringLiteral("tagline"));
    description->addWidget(taglineLabel);
    m_engine = label(engineLine, 11, this);
    m_engine->setObjectName(QStringLiteral("engine"));
    description->addWidget(m_engine);
    column->addLayout(description);

    column->addStretch(1);

    m_website = new QPushButton(QStringLiteral("Website"), this);
    m_website->setObjectName(QStringLiteral("website"));
    m_website->setFlat(true);
    m_website->setCursor(Qt::PointingHandCursor);
    QFont linkFont = m_website->font();
    linkFont.setPixelSize(13);
    m_website->setFont(linkFont);
    m_website->setToolTip(websiteUrl().toString());
    connect(m_website, &QPushButton::clicked, this, [this] {
        if (m_openUrl)
            m_openUrl(websiteUrl());
    });
    column->addWidget(m_website, 0, Qt::AlignHCenter);

    applyColors();
}

QString AboutView::versionLine()
{
    return QStringLiteral("Version %1 (%2)").arg(AppInfo::shortVersion(), AppInfo::build());
}

QUrl AboutView::websiteUrl() { return WebService::url(QStringLiteral("/")); }

void AboutView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_applying)
        applyColors();
}

void AboutView::applyColors()
{
    m_applying = true;
    const QColor background = palette().color(QPalette::Window);
    const QColor text = palette().color(QPalette::WindowText);
    QColor faded = text;
    faded.setAlphaF(0.6f);
    const QColor secondary = ColorContrast::readableOn(faded, background, 3.0);
    const QColor tint = ColorContrast::readableOn(palette().color(QPalette::Highlight), background);
    const QColor link = ColorContrast::readableOn(palette().color(QPalette::Link), background, 4.0);
    m_symbol->setPixmap(SymbolIcon::pixmap(QStringLiteral("terminal.fill"), tint, symbolSide, devicePixelRatioF()));
    const QString secondaryStyle = QStringLiteral("QLabel { color: %1; }").arg(secondary.name(QColor::HexArgb));
    m_version->setStyleSheet(secondaryStyle);
    m_engine->setStyleSheet(secondaryStyle);
    m_website->setStyleSheet(ButtonStyle::link(link));
    m_applying = false;
}

AboutWindowController& AboutWindowController::shared()
{
    static AboutWindowController* controller = new AboutWindowController;
    return *controller;
}

AboutWindowController::AboutWindowController()
    : m_window(std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint))
{
    m_window->setWindowTitle(title);
    m_window->setObjectName(QStringLiteral("aboutWindow"));
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new AboutView(m_window.get());
    layout->addWidget(m_view);
    m_window->setFixedSize(contentSize);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), contentSize);
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
}

AboutWindowController::~AboutWindowController() = default;

void AboutWindowController::showWindow() { presentWindow(m_window.get()); }

} // namespace velmora
