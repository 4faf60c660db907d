#include "app/WelcomeWindowController.h"

#include "app/MainMenu.h"
#include "core/AppPaths.h"
#include "look/ButtonStyle.h"
#include "look/PresentWindow.h"
#include "look/SymbolIcon.h"

#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace velmora {
namespace {

constexpr int dotSide = 7;
constexpr int dotSpacing = 6;

QColor secondaryColor(const QPalette& palette)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.62f);
    return color;
}

QString homeRelative(const QString& path)
{
    const QString home = QDir::homePath();
    if (path == home || path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

// The row of page dots; the current page's in the accent colour.
class PageDots final : public QWidget {
public:
    PageDots(const WelcomeView& view, QWidget* parent) : QWidget(parent), m_view(view) { setFixedHeight(dotSide + 2); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const int count = int(m_view.cards().size());
        const int total = count * dotSide + std::max(0, count - 1) * dotSpacing;
        const qreal left = (width() - total) / 2.0;
        QColor dimmed = secondaryColor(palette());
        dimmed.setAlphaF(0.3f);
        for (int i = 0; i < count; ++i) {
            painter.setBrush(i == m_view.index() ? palette().color(QPalette::Highlight) : dimmed);
            painter.drawEllipse(QRectF(left + i * (dotSide + dotSpacing), 1, dotSide, dotSide));
        }
    }

private:
    const WelcomeView& m_view;
};

} // namespace

std::vector<WelcomeCard> WelcomeView::defaultCards(bool globalHotkey)
{
    const QString anywhere = globalHotkey ? QStringLiteral("\u00a0\u00b7 Alt+Space from anywhere") : QString();
    return {
        {QStringLiteral("paintbrush.fill"),
         QStringLiteral("Pick a skin"),
         QStringLiteral("Velmora wraps a real terminal in device-style skins. Each skin is a folder you can drop "
                        "into %1 \u2014 no code, just a PNG + JSON.")
             .arg(homeRelative(AppPaths::skinsDir()))},
        {QStringLiteral("rectangle.grid.2x2.fill"),
         QStringLiteral("Right-click the device"),
         QStringLiteral("Each device runs your shell in as many tabs as you like. Right-click it to change its "
                        "skin, shrink it to a mini terminal, build a skin from a picture or open the settings.")},
        {QStringLiteral("command"),
         QStringLiteral("Keyboard-first"),
         QStringLiteral("%1 new tab\u00a0\u00b7 %2 switch\u00a0\u00b7 %3 palette%4. Everything in the View menu "
                        "has a shortcut.")
             .arg(MainMenu::shortcutText("newSession"),
                  MainMenu::shortcutText("cycleSessionNext"),
                  MainMenu::shortcutText("openCommandPalette"),
                  anywhere)},
    };
}

WelcomeView::WelcomeView(std::function<void()> onFinish, std::vector<WelcomeCard> cards, QWidget* parent)
    : QWidget(parent), m_onFinish(std::move(onFinish)), m_cards(std::move(cards))
{
    m_symbol = new QLabel(this);
    m_symbol->setFixedSize(64, 64);
    m_symbol->setAlignment(Qt::AlignCenter);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("cardTitle"));
    QFont titleFont = m_title->font();
    titleFont.setPixelSize(22);
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignCenter);

    m_body = new QLabel(this);
    m_body->setObjectName(QStringLiteral("cardBody"));
    QFont bodyFont = m_body->font();
    bodyFont.setPixelSize(13);
    m_body->setFont(bodyFont);
    m_body->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_body->setWordWrap(true);
    m_body->setTextFormat(Qt::RichText);

    m_dots = new PageDots(*this, this);

    m_back = new QPushButton(QStringLiteral("Back"), this);
    m_back->setObjectName(QStringLiteral("backButton"));
    m_primary = new QPushButton(this);
    m_primary->setObjectName(QStringLiteral("primaryButton"));
    m_primary->setDefault(true);
    m_primary->setMinimumWidth(96);
    m_back->setMinimumWidth(80);
    connect(m_back, &QPushButton::clicked, this, &WelcomeView::back);
    connect(m_primary, &QPushButton::clicked, this, &WelcomeView::primaryAction);
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &WelcomeView::primaryAction);
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(20);
    column->addSpacing(8);
    column->addWidget(m_symbol, 0, Qt::AlignHCenter);
    column->addWidget(m_title);
    auto* bodyRow = new QHBoxLayout;
    bodyRow->setContentsMargins(30, 0, 30, 0);
    bodyRow->addWidget(m_body);
    column->addLayout(bodyRow);
    column->addStretch(1);
    column->addWidget(m_dots);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(30, 0, 30, 20);
    buttons->addWidget(m_back);
    buttons->addStretch(1);
    buttons->addWidget(m_primary);
    column->addLayout(buttons);
    refresh();
}

void WelcomeView::primaryAction()
{
    if (m_index + 1 >= int(m_cards.size())) {
        if (m_onFinish)
            m_onFinish();
        return;
    }
    ++m_index;
    refresh();
}

void WelcomeView::back()
{
    if (m_index == 0)
        return;
    --m_index;
    refresh();
}

void WelcomeView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        refresh();
}

void WelcomeView::refresh()
{
    if (m_cards.empty())
        return;
    const WelcomeCard& card = m_cards[std::size_t(m_index)];
    const QColor accent = palette().color(QPalette::Highlight);
    m_symbol->setPixmap(SymbolIcon::pixmap(card.symbol, accent, 60, devicePixelRatioF()));
    m_title->setText(card.title);
    m_body->setText(QStringLiteral("<div style=\"line-height: 135%\">%1</div>").arg(card.body.toHtmlEscaped()));
    QPalette bodyColors = m_body->palette();
    bodyColors.setColor(QPalette::WindowText, secondaryColor(palette()));
    m_body->setPalette(bodyColors);
    m_back->setVisible(m_index >= 1);
    const bool last = m_index + 1 == int(m_cards.size());
    m_primary->setText(last ? QStringLiteral("Pick a Skin") : QStringLiteral("Next"));
    m_primary->setStyleSheet(ButtonStyle::prominent(accent));
    m_back->setStyleSheet(ButtonStyle::bordered(palette()));
    m_dots->update();
}

WelcomeWindowController::WelcomeWindowController(std::function<void()> onFinish, bool globalHotkey)
    : m_window(std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint))
{
    m_window->setWindowTitle(QStringLiteral("Welcome to Velmora"));
    m_window->setFixedSize(contentSize);
    QWidget* window = m_window.get();
    m_view = new WelcomeView(
        [window, onFinish = std::move(onFinish)] {
            window->close();
            if (onFinish)
                onFinish();
        },
        WelcomeView::defaultCards(globalHotkey),
        window);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

WelcomeWindowController::~WelcomeWindowController() = default;

void WelcomeWindowController::showWindow()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_window->move(screen->availableGeometry().center()
                       - QPoint(contentSize.width() / 2, contentSize.height() / 2));
    presentWindow(m_window.get());
}

} // namespace velmora
