#include "settings/AboutSettingsTab.h"

#include "core/AppInfo.h"
#include "core/SettingsStore.h"
#include "core/WebService.h"
#include "look/BrandMark.h"
#include "look/BusyIndicator.h"
#include "look/ButtonStyle.h"
#include "look/ColorContrast.h"
#include "look/SymbolIcon.h"
#include "settings/SettingsViewModel.h"
#include "skin/SkinLoader.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

namespace velmora {
namespace {

// The text styles of the tab, in logical pixels.
enum class TextStyle { title, headline, body, callout, caption };

QFont fontFor(TextStyle style, const QFont& base)
{
    QFont font = base;
    switch (style) {
    case TextStyle::title:
        font.setPixelSize(22);
        font.setWeight(QFont::DemiBold);
        break;
    case TextStyle::headline:
        font.setPixelSize(14);
        font.setWeight(QFont::DemiBold);
        break;
    case TextStyle::body:
    case TextStyle::callout: font.setPixelSize(13); break;
    case TextStyle::caption: font.setPixelSize(11); break;
    }
    return font;
}

QLabel* styledLabel(const QString& text, TextStyle style, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(fontFor(style, label->font()));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QString cssColor(const QColor& color) { return color.name(QColor::HexArgb); }

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    line->setObjectName(QStringLiteral("divider"));
    return line;
}

QPushButton* linkButton(const QString& title, QWidget* parent)
{
    auto* button = new QPushButton(title, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(fontFor(TextStyle::caption, button->font()));
    return button;
}

} // namespace

AboutSettingsTab::AboutSettingsTab(SettingsViewModel& settings, const QColor& phosphor, QWidget* parent)
    : QWidget(parent),
      m_vm(new AboutViewModel(this)),
      m_phosphor(phosphor),
      m_settings(settings),
      m_openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    auto* content = new QWidget(scroll);
    content->setObjectName(QStringLiteral("aboutContent"));
    auto* column = new QVBoxLayout(content);
    column->setSpacing(18);
    column->setContentsMargins(24, 22, 26, 24);
    column->addWidget(buildHeader());
    column->addWidget(divider(content));
    column->addWidget(buildWhatsNew());
    column->addWidget(divider(content));
    column->addWidget(buildUpdates());
    column->addWidget(divider(content));
    column->addWidget(buildFeedback());
    column->addStretch(1);
    scroll->setWidget(content);

    m_sendingSpinner.setInterval(40);
    connect(&m_sendingSpinner, &QTimer::timeout, this, [this] {
        m_sendingStep = (m_sendingStep + 1) % 24;
        updateSendButton();
    });
    connect(m_vm, &AboutViewModel::changed, this, &AboutSettingsTab::refresh);
    refresh();
}

QWidget* AboutSettingsTab::buildHeader()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    // The light logo when the resource folder has it, else the symbol in the
    // accent colour (drawn with the colours).
    m_showsBrandMark = BrandMark::image(false).has_value();
    if (m_showsBrandMark) {
        m_logo = BrandMark::view(56, false, header);
    } else {
        m_logo = new QLabel(header);
        m_logo->setFixedSize(56, 56);
        m_logo->setAlignment(Qt::AlignCenter);
    }
    m_logo->setObjectName(QStringLiteral("logo"));
    row->addWidget(m_logo);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(styledLabel(QStringLiteral("Velmora"), TextStyle::title, header));
    m_versionBadge = styledLabel(
        QStringLiteral("Version %1 (%2)").arg(AppInfo::shortVersion(), AppInfo::build()), TextStyle::caption, header);
    m_versionBadge->setObjectName(QStringLiteral("versionBadge"));
    texts->addWidget(m_versionBadge, 0, Qt::AlignLeft);
    auto* taglineLabel = styledLabel(tagline, TextStyle::caption, header);
    taglineLabel->setObjectName(QStringLiteral("secondary"));
    texts->addWidget(taglineLabel);
    row->addLayout(texts);
    row->addStretch(1);
    return header;
}

QWidget* AboutSettingsTab::buildWhatsNew()
{
    auto* section = new QWidget(this);
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(styledLabel(QStringLiteral("What's New"), TextStyle::headline, section));

    m_checking = new QWidget(section);
    m_checking->setObjectName(QStringLiteral("checking"));
    auto* checkingRow = new QHBoxLayout(m_checking);
    checkingRow->setContentsMargins(0, 0, 0, 0);
    checkingRow->setSpacing(6);
    checkingRow->addWidget(new BusyIndicator(12, m_checking));
    auto* checkingText = styledLabel(QStringLiteral("Checking\u2026"), TextStyle::caption, m_checking);
    checkingText->setObjectName(QStringLiteral("secondary"));
    checkingRow->addWidget(checkingText);
    checkingRow->addStretch(1);
    column->addWidget(m_checking);

    m_notesList = new QWidget(section);
    m_notesList->setObjectName(QStringLiteral("notes"));
    m_notesLayout = new QVBoxLayout(m_notesList);
    m_notesLayout->setContentsMargins(0, 0, 0, 0);
    m_notesLayout->setSpacing(6);
    column->addWidget(m_notesList);

    m_offlineCaption = styledLabel(QStringLiteral("offline \u2014 showing bundled notes"), TextStyle::caption, section);
    m_offlineCaption->setObjectName(QStringLiteral("offlineCaption"));
    column->addWidget(m_offlineCaption);

    m_noNotes = styledLabel(QStringLiteral("No release notes available."), TextStyle::callout, section);
    m_noNotes->setObjectName(QStringLiteral("noNotes"));
    column->addWidget(m_noNotes);
    return section;
}

QWidget* AboutSettingsTab::buildUpdates()
{
    auto* section = new QWidget(this);
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(styledLabel(QStringLiteral("Check for Updates"), TextStyle::headline, section));

    auto* status = new QHBoxLayout;
    status->setSpacing(8);
    m_statusIcon = new QLabel(section);
    m_statusIcon->setObjectName(QStringLiteral("updateIcon"));
    m_statusIcon->setFixedSize(16, 16);
    m_statusText = styledLabel(QString(), TextStyle::callout, section);
    m_statusText->setObjectName(QStringLiteral("updateStatus"));
    status->addWidget(m_statusIcon);
    status->addWidget(m_statusText);
    status->addStretch(1);
    column->addLayout(status);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    m_download = new QPushButton(QStringLiteral("Download"), section);
    m_download->setObjectName(QStringLiteral("downloadButton"));
    m_download->setCursor(Qt::PointingHandCursor);
    connect(m_download, &QPushButton::clicked, this, [this] { open(m_vm->downloadPage()); });
    m_visit = new QPushButton(QStringLiteral("Visit %1").arg(WebService::hostName()), section);
    m_visit->setObjectName(QStringLiteral("visitButton"));
    connect(m_visit, &QPushButton::clicked, this, [this] { open(WebService::url(QStringLiteral("/"))); });
    buttons->addWidget(m_download);
    buttons->addWidget(m_visit);

    auto* links = new QHBoxLayout;
    links->setSpacing(10);
    auto* privacy = linkButton(QStringLiteral("Privacy Policy"), section);
    privacy->setObjectName(QStringLiteral("privacyLink"));
    connect(privacy, &QPushButton::clicked, this, [this] { open(WebService::url(QStringLiteral("/privacy"))); });
    auto* dot = styledLabel(QStringLiteral("\u00b7"), TextStyle::caption, section);
    dot->setObjectName(QStringLiteral("secondary"));
    auto* terms = linkButton(QStringLiteral("Terms of Service"), section);
    terms->setObjectName(QStringLiteral("termsLink"));
    connect(terms, &QPushButton::clicked, this, [this] { open(WebService::url(QStringLiteral("/terms"))); });
    links->addWidget(privacy);
    links->addWidget(dot);
    links->addWidget(terms);
    buttons->addLayout(links);
    buttons->addStretch(1);
    column->addLayout(buttons);
    return section;
}

QWidget* AboutSettingsTab::buildFeedback()
{
    auto* section = new QWidget(this);
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(styledLabel(QStringLiteral("Leave Feedback"), TextStyle::headline, section));

    m_subject = new QLineEdit(section);
    m_subject->setObjectName(QStringLiteral("subjectField"));
    m_subject->setPlaceholderText(QStringLiteral("Subject (optional)"));
    connect(m_subject, &QLineEdit::textEdited, m_vm, &AboutViewModel::setSubject);
    column->addWidget(m_subject);

    m_email = new QLineEdit(section);
    m_email->setObjectName(QStringLiteral("emailField"));
    m_email->setPlaceholderText(QStringLiteral("Email (optional \u2014 so we can reply)"));
    connect(m_email, &QLineEdit::textEdited, m_vm, &AboutViewModel::setEmail);
    column->addWidget(m_email);

    auto* messageLabel = styledLabel(QStringLiteral("Message"), TextStyle::caption, section);
    messageLabel->setObjectName(QStringLiteral("secondary"));
    column->addWidget(messageLabel);

    m_message = new QPlainTextEdit(section);
    m_message->setObjectName(QStringLiteral("messageEditor"));
    m_message->setFont(fontFor(TextStyle::body, m_message->font()));
    m_message->setMinimumHeight(90);
    m_message->setTabChangesFocus(true);
    connect(m_message, &QPlainTextEdit::textChanged, this, [this] {
        if (m_message->toPlainText() != m_vm->message())
            m_vm->setMessage(m_message->toPlainText());
    });
    column->addWidget(m_message);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    m_send = new QPushButton(QStringLiteral("Send"), section);
    m_send->setObjectName(QStringLiteral("sendButton"));
    m_send->setCursor(Qt::PointingHandCursor);
    connect(m_send, &QPushButton::clicked, this, [this] {
        if (!isSendDisabled())
            m_vm->sendFeedback();
    });
    m_feedbackIcon = new QLabel(section);
    m_feedbackIcon->setFixedSize(12, 12);
    m_feedbackText = styledLabel(QString(), TextStyle::caption, section);
    m_feedbackText->setObjectName(QStringLiteral("feedbackStatus"));
    row->addWidget(m_send);
    row->addWidget(m_feedbackIcon);
    row->addWidget(m_feedbackText);
    row->addStretch(1);
    column->addLayout(row);
    return section;
}

void AboutSettingsTab::setSkinNameSource(SkinNameSource source)
{
    m_skinNameSource = std::move(source);
    refresh();
}

void AboutSettingsTab::setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

QColor AboutSettingsTab::accentFor(const QString& skinName, const std::vector<SkinManifest>& loadedSkins)
{
    for (const SkinManifest& skin : SkinManifest::orBuiltInPair(loadedSkins)) {
        if (skin.name == skinName)
            return skin.palette.foreground;
    }
    return fallbackAccent;
}

QColor AboutSettingsTab::accent() const
{
    std::optional<QString> name = m_skinNameSource ? m_skinNameSource() : std::nullopt;
    if (!name)
        name = m_settings.settings().data().defaultSkin;
    return accentFor(*name, m_settings.skins().skins());
}

bool AboutSettingsTab::isUpdateAvailable() const
{
    return m_vm->remoteVersion() && AboutViewModel::isNewer(m_vm->remoteVersion()->version, AppInfo::shortVersion());
}

bool AboutSettingsTab::isSendDisabled() const
{
    return m_vm->feedbackState().kind == AboutViewModel::FeedbackState::Kind::sending
        || m_vm->message().trimmed().isEmpty();
}

void AboutSettingsTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_vm->load();
}

void AboutSettingsTab::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        m_vm->cancelLoad();
}

void AboutSettingsTab::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        refresh();
}

void AboutSettingsTab::open(const QUrl& url)
{
    if (url.isValid() && m_openUrl)
        m_openUrl(url);
}

void AboutSettingsTab::rebuildNotes()
{
    if (m_shownNotes == m_vm->notes())
        return;
    m_shownNotes = m_vm->notes();
    while (QLayoutItem* item = m_notesLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const QString& note : m_shownNotes) {
        auto* row = new QWidget(m_notesList);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        auto* bullet = styledLabel(QStringLiteral("\u2022"), TextStyle::callout, row);
        bullet->setObjectName(QStringLiteral("bullet"));
        auto* text = styledLabel(note, TextStyle::callout, row);
        text->setObjectName(QStringLiteral("note"));
        text->setWordWrap(true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(bullet, 0, Qt::AlignTop);
        layout->addWidget(text, 1, Qt::AlignTop);
        m_notesLayout->addWidget(row);
    }
}

AboutSettingsTab::Colors AboutSettingsTab::colors() const
{
    const QColor background = palette().color(QPalette::Window);
    const QColor text = palette().color(QPalette::WindowText);
    Colors colors;
    colors.text = text;
    colors.secondary = ColorContrast::readableOn(withAlpha(text, 0.6), background, 3.0);
    colors.accent = accent();
    colors.accentText = ColorContrast::readableOn(colors.accent, background);
    colors.phosphorText = ColorContrast::readableOn(m_phosphor, background);
    colors.red = ColorContrast::readableOn(QColor(0xE5, 0x3E, 0x3E), background, 4.0);
    colors.link = ColorContrast::readableOn(palette().color(QPalette::Link), background, 4.0);
    return colors;
}

void AboutSettingsTab::applyColors(const Colors& c)
{
    if (m_appliedColors && *m_appliedColors == c)
        return;
    m_appliedColors = c;
    const QColor base = palette().color(QPalette::Base);
    setStyleSheet(
        QStringLiteral("QLabel#secondary, QLabel#offlineCaption, QLabel#noNotes { color: %1; }"
                       "QFrame#divider { background: %2; border: none; }"
                       "QLabel#bullet { color: %3; }"
                       "QLineEdit { background: %5; border: 1px solid %6; border-radius: 6px; padding: 5px 8px; }"
                       "QLineEdit:focus, QPlainTextEdit#messageEditor:focus { border-color: %3; }"
                       "QPlainTextEdit#messageEditor { background: %5; border: 1px solid %4; border-radius: 6px; "
                       "padding: 4px; }")
            .arg(cssColor(c.secondary),
                 cssColor(withAlpha(c.text, 0.12)),
                 cssColor(c.accentText),
                 cssColor(withAlpha(c.secondary, 0.3)),
                 cssColor(base),
                 cssColor(withAlpha(c.text, 0.22))));
    m_visit->setStyleSheet(ButtonStyle::bordered(palette()));
    if (!m_showsBrandMark)
        m_logo->setPixmap(SymbolIcon::pixmap(QStringLiteral("terminal.fill"), c.accent, 48, devicePixelRatioF()));
    m_versionBadge->setStyleSheet(
        QStringLiteral("QLabel { color: %1; background: %2; border-radius: 8px; padding: 2px 8px; }")
            .arg(cssColor(c.accentText), cssColor(withAlpha(c.accent, 0.15))));
    m_download->setStyleSheet(ButtonStyle::prominent(c.accent));
    m_download->setIcon(QIcon(SymbolIcon::pixmap(
        QStringLiteral("arrow.down.to.line"), ColorContrast::textOn(c.accent), 14, devicePixelRatioF())));
    m_send->setStyleSheet(ButtonStyle::prominent(c.accent));
    for (auto* button : findChildren<QPushButton*>(QRegularExpression(QStringLiteral("Link$"))))
        button->setStyleSheet(ButtonStyle::link(c.link));
}

void AboutSettingsTab::refresh()
{
    using LoadState = AboutViewModel::LoadState;
    using Kind = AboutViewModel::FeedbackState::Kind;

    const Colors c = colors();
    applyColors(c);
    const qreal dpr = devicePixelRatioF();

    // What's New.
    const LoadState state = m_vm->loadState();
    rebuildNotes();
    m_checking->setVisible(state == LoadState::loading);
    const bool showNotes = state != LoadState::loading && !m_vm->notes().isEmpty();
    m_notesList->setVisible(showNotes);
    m_offlineCaption->setVisible(showNotes && state == LoadState::offline);
    m_noNotes->setVisible(state != LoadState::loading && m_vm->notes().isEmpty());

    // Check for Updates.
    const bool update = isUpdateAvailable();
    if (update) {
        m_statusIcon->setPixmap(SymbolIcon::pixmap(QStringLiteral("arrow.down.circle.fill"), c.accentText, 16, dpr));
        m_statusText->setText(QStringLiteral("Update available \u2014 %1").arg(m_vm->remoteVersion()->version));
        m_statusText->setStyleSheet(QString());
    } else if (state == LoadState::offline) {
        m_statusIcon->setPixmap(SymbolIcon::pixmap(QStringLiteral("wifi.slash"), c.secondary, 16, dpr));
        m_statusText->setText(QStringLiteral("Couldn't reach %1.").arg(WebService::hostName()));
        m_statusText->setStyleSheet(QStringLiteral("color: %1;").arg(cssColor(c.secondary)));
    } else if (state == LoadState::loaded) {
        // Only an answer says so: no answer yet is not "up to date".
        m_statusIcon->setPixmap(SymbolIcon::pixmap(QStringLiteral("checkmark.circle.fill"), c.phosphorText, 16, dpr));
        m_statusText->setText(QStringLiteral("You're up to date."));
        m_statusText->setStyleSheet(QString());
    } else {
        m_statusIcon->clear();
        m_statusText->setText(QStringLiteral("Checking\u2026"));
        m_statusText->setStyleSheet(QStringLiteral("color: %1;").arg(cssColor(c.secondary)));
    }
    m_download->setVisible(update);
    m_visit->setText(QStringLiteral("Visit %1").arg(WebService::hostName()));

    // Leave Feedback: the fields follow the model (a successful send empties
    // subject and message).
    if (m_subject->text() != m_vm->subject())
        m_subject->setText(m_vm->subject());
    if (m_email->text() != m_vm->email())
        m_email->setText(m_vm->email());
    if (m_message->toPlainText() != m_vm->message())
        m_message->setPlainText(m_vm->message());
    updateSendButton();

    const AboutViewModel::FeedbackState& feedback = m_vm->feedbackState();
    m_feedbackIcon->setVisible(feedback.kind == Kind::sent);
    m_feedbackText->setVisible(feedback.kind == Kind::sent || feedback.kind == Kind::failed);
    if (feedback.kind == Kind::sent) {
        m_feedbackIcon->setPixmap(SymbolIcon::pixmap(QStringLiteral("checkmark"), c.phosphorText, 12, dpr));
        m_feedbackText->setText(QStringLiteral("Sent \u2713"));
        m_feedbackText->setStyleSheet(QStringLiteral("color: %1;").arg(cssColor(c.phosphorText)));
    } else if (feedback.kind == Kind::failed) {
        m_feedbackText->setText(feedback.failureText);
        m_feedbackText->setStyleSheet(QStringLiteral("color: %1;").arg(cssColor(c.red)));
    }
}

void AboutSettingsTab::updateSendButton()
{
    const bool sending = m_vm->feedbackState().kind == AboutViewModel::FeedbackState::Kind::sending;
    m_send->setEnabled(!isSendDisabled());
    if (!sending) {
        m_sendingSpinner.stop();
        m_send->setIcon(QIcon());
        m_send->setText(QStringLiteral("Send"));
        return;
    }
    if (!m_sendingSpinner.isActive())
        m_sendingSpinner.start();
    const qreal dpr = devicePixelRatioF();
    QPixmap frame(QSize(12, 12) * dpr);
    frame.setDevicePixelRatio(dpr);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    const QColor accent = m_appliedColors ? m_appliedColors->accent : fallbackAccent;
    BusyIndicator::paintFrame(
        painter, QRectF(0, 0, 12, 12), m_sendingStep / 24.0, withAlpha(ColorContrast::textOn(accent), 0.6));
    painter.end();
    m_send->setIcon(QIcon(frame));
    m_send->setText(QStringLiteral("Sending\u2026"));
}

} // namespace velmora
