#include "session/ShellView.h"

#include "core/SettingsStore.h"
#include "session/GitStatus.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollBar>
#include <QThreadPool>
#include <QUrl>
#include <QWheelEvent>
#include <QtDebug>

#include <algorithm>
#include <cmath>

#include <unistd.h>

namespace velmora {

namespace {

// The colours of a session started without a palette.
QColor defaultForeground() { return QColor::fromRgbF(0.9f, 0.9f, 0.9f); }
QColor defaultBackground() { return QColor::fromRgbF(0.04f, 0.04f, 0.06f); }

QString rgba(const QColor& colour, double alpha)
{
    const QColor c = colour.toRgb();
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(alpha);
}

// A slim scroller in the palette's colours, so the screen reads as one surface.
void styleScroller(corvel::LocalProcessTerminalView& view, const QColor& foreground, const QColor& background)
{
    QScrollBar* scroller = view.scroller();
    if (!scroller)
        return;
    scroller->setStyleSheet(QStringLiteral("QScrollBar:vertical { background: %1; border: none; margin: 0; }"
                                           "QScrollBar::handle:vertical { background: %2; border-radius: 2px;"
                                           " min-height: 16px; margin: 3px 5px 3px 5px; }"
                                           "QScrollBar::handle:vertical:disabled { background: transparent; }"
                                           "QScrollBar::add-line, QScrollBar::sub-line { height: 0; border: none; }"
                                           "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
                                .arg(rgba(background, 1.0), rgba(foreground, 0.3)));
}

} // namespace

ShellView::ShellView(SettingsStore& settings, QWidget* parent) : QWidget(parent), m_settings(settings)
{
    m_fontSize = settings.data().fontSize;
    m_fontName = settings.data().fontName;
    m_currentDirectory = QDir::homePath();
    setFocusPolicy(Qt::NoFocus);
    connect(&settings, &SettingsStore::fontChanged, this, &ShellView::applyFontFromSettings);
}

ShellView::~ShellView()
{
    if (m_terminal)
        m_terminal->setProcessDelegate(nullptr);
}

void ShellView::startSession(const std::optional<QString>& shell,
                             const std::optional<SkinManifest::TerminalPalette>& palette,
                             const std::optional<QString>& cwd)
{
    if (m_terminal)
        return;
    const SettingsStore& store = m_settings;
    QString shellPath;
    if (shell)
        shellPath = *shell;
    else if (!store.data().defaultShell.isEmpty())
        shellPath = store.data().defaultShell;
    else
        shellPath = SettingsStore::detectLoginShell();

    auto* terminal = new corvel::LocalProcessTerminalView(this);
    terminal->setGeometry(rect() - m_contentPadding);
    terminal->setProcessDelegate(this);
    m_terminal = terminal;

    SkinManifest::TerminalPalette colours;
    if (palette) {
        colours = *palette;
    } else {
        colours.foreground = defaultForeground();
        colours.background = defaultBackground();
    }
    applyPalette(colours);
    terminal->setTerminalFont(resolveFont(m_fontName, m_fontSize));
    terminal->show();
    setFocusProxy(terminal);

    const QString programName = QLatin1Char('-') + QFileInfo(shellPath).fileName();
    m_currentDirectory = resolveStartDirectory(cwd);
    terminal->startProcess(QFile::encodeName(shellPath).toStdString(),
                           {},
                           std::nullopt,
                           QFile::encodeName(programName).toStdString(),
                           QFile::encodeName(m_currentDirectory).toStdString());
}

void ShellView::applyPalette(const SkinManifest::TerminalPalette& palette)
{
    if (!m_terminal)
        return;
    corvel::LocalProcessTerminalView& view = *m_terminal;
    view.setNativeForegroundColor(palette.foreground);
    view.setNativeBackgroundColor(palette.background);
    view.setCaretColor(palette.cursor.value_or(palette.foreground));
    view.setCaretTextColor(palette.background);
    if (palette.ansi) {
        std::vector<corvel::Color> colours;
        colours.reserve(palette.ansi->size());
        for (const QColor& colour : *palette.ansi)
            colours.push_back(toCorvelColor(colour));
        view.installColors(colours);
    }
    styleScroller(view, palette.foreground, palette.background);
    view.update();
    update();
}

void ShellView::changeFontSize(double delta)
{
    m_fontSize = std::max(minimumFontSize, std::min(maximumFontSize, m_fontSize + delta));
    SettingsStore& store = m_settings;
    if (store.data().fontSize != m_fontSize) {
        store.data().fontSize = m_fontSize;
        store.save();
        store.announceFontChange();
    }
    refontTerminal();
}

void ShellView::applyFontFromSettings()
{
    const SettingsStore& store = m_settings;
    m_fontName = store.data().fontName;
    m_fontSize = store.data().fontSize;
    refontTerminal();
}

void ShellView::refontTerminal()
{
    if (!m_terminal)
        return;
    m_terminal->setTerminalFont(resolveFont(m_fontName, m_fontSize));
    m_terminal->update();
}

QFont ShellView::resolveFont(const QString& name, double size)
{
    QFont font;
    const QStringList families = QFontDatabase::families();
    if (families.contains(name))
        font = QFont(name);
    else if (name == QLatin1String("JetBrainsMono NF") && families.contains(QStringLiteral("JetBrains Mono")))
        font = QFont(QStringLiteral("JetBrains Mono"));
    else
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(std::max(1, int(std::lround(size))));
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

QString ShellView::resolveStartDirectory(const std::optional<QString>& cwd)
{
    if (cwd && !cwd->isEmpty() && QFileInfo(*cwd).isDir())
        return *cwd;
    return QDir::homePath();
}

corvel::Color ShellView::toCorvelColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    const auto channel = [](float component) {
        const double scaled = std::trunc(double(component) * 65535.0);
        return static_cast<uint16_t>(std::clamp(scaled, 0.0, 65535.0));
    };
    return corvel::Color(channel(rgb.redF()), channel(rgb.greenF()), channel(rgb.blueF()));
}

QString ShellView::localHostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name);
}

std::optional<QString> ShellView::directoryFromReport(const std::string& report, const QString& localHostName)
{
    const QString text = QString::fromUtf8(report);
    const QUrl url(text, QUrl::StrictMode);
    QString path;
    if (url.isValid() && url.scheme() == QLatin1String("file")) {
        const QString host = url.host();
        if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0
            && host.compare(localHostName, Qt::CaseInsensitive) != 0)
            return std::nullopt;
        path = url.path(QUrl::FullyDecoded);
    } else {
        path = text;
        path.remove(QStringLiteral("file://"));
    }
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

void ShellView::sizeChanged(corvel::LocalProcessTerminalView&, int, int) {}

void ShellView::setTerminalTitle(corvel::LocalProcessTerminalView&, const std::string&) {}

void ShellView::hostCurrentDirectoryUpdate(corvel::LocalProcessTerminalView&,
                                           const std::optional<std::string>& directory)
{
    if (!directory)
        return;
    const std::optional<QString> path = directoryFromReport(*directory, localHostName());
    if (!path)
        return;
    QMetaObject::invokeMethod(
        this,
        [this, directory = *path] {
            m_currentDirectory = directory;
            emit shellStateDidChange(this);
            refreshGitStatus();
        },
        Qt::QueuedConnection);
}

void ShellView::refreshGitStatus()
{
    const QString directory = m_currentDirectory;
    GitStatusCache& cache = GitStatusCache::shared();
    if (const std::optional<GitStatus> cached = cache.lookup(directory, QDateTime::currentDateTimeUtc())) {
        setGitStatus(cached->branch, cached->dirty);
        return;
    }
    // One query at a time: reports that come while git runs are answered by
    // one more query, for the directory current when it ends.
    if (m_gitQueryRunning) {
        m_gitQueryWanted = true;
        return;
    }
    m_gitQueryRunning = true;
    QPointer<ShellView> session(this);
    QThreadPool::globalInstance()->start([session, directory] {
        const GitStatus status = GitQuery::query(directory);
        QMetaObject::invokeMethod(
            qApp,
            [session, directory, status] {
                GitStatusCache::shared().store(directory, status, QDateTime::currentDateTimeUtc());
                if (session)
                    session->gitQueryEnded(directory, status);
            },
            Qt::QueuedConnection);
    });
}

void ShellView::gitQueryEnded(const QString& directory, const GitStatus& status)
{
    m_gitQueryRunning = false;
    if (m_gitQueryWanted) {
        m_gitQueryWanted = false;
        if (directory != m_currentDirectory) {
            refreshGitStatus();
            return;
        }
    }
    setGitStatus(status.branch, status.dirty);
}

void ShellView::setGitStatus(const QString& branch, bool dirty)
{
    m_gitBranch = branch;
    m_gitDirty = dirty;
    emit shellStateDidChange(this);
}

void ShellView::processTerminated(corvel::LocalProcessTerminalView&, std::optional<int32_t> exitCode)
{
    const int code = exitCode.value_or(-1);
    QMetaObject::invokeMethod(
        this, [this, code] { showExitBanner(code); }, Qt::QueuedConnection);
}

void ShellView::showExitBanner(int exitCode)
{
    qInfo().noquote() << QStringLiteral("[Velmora] Shell exited with code %1").arg(exitCode);
    if (m_terminal)
        m_terminal->feed(QStringLiteral("\r\n\r\n  [Process exited with code %1]").arg(exitCode).toStdString());
}

void ShellView::setContentPadding(const QMargins& padding)
{
    m_contentPadding = padding;
    if (m_terminal)
        m_terminal->setGeometry(rect() - m_contentPadding);
    update();
}

void ShellView::paintEvent(QPaintEvent*)
{
    if (!m_terminal)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), m_terminal->nativeBackgroundColor());
}

void ShellView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_terminal)
        m_terminal->setGeometry(rect() - m_contentPadding);
}

void ShellView::wheelEvent(QWheelEvent* event)
{
    if (!m_terminal) {
        event->ignore();
        return;
    }
    QWheelEvent forwarded(m_terminal->mapFrom(this, event->position()),
                          event->globalPosition(),
                          event->pixelDelta(),
                          event->angleDelta(),
                          event->buttons(),
                          event->modifiers(),
                          event->phase(),
                          event->inverted(),
                          event->source());
    QApplication::sendEvent(m_terminal, &forwarded);
}

} // namespace velmora
