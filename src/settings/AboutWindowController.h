#pragma once

#include <QSize>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace velmora {

// The About window's content: the application's symbol, its name, version and
// build, a one-line description, the terminal engine's name and a link to the
// maker's web site, in one centred column.
class AboutView final : public QWidget {
    Q_OBJECT

public:
    static inline const QString tagline = QStringLiteral("A native skinnable terminal for Linux.");
    static inline const QString engineLine = QStringLiteral("Terminal engine: Corvel");

    explicit AboutView(QWidget* parent = nullptr);

    // "Version <short version> (<build>)".
    static QString versionLine();
    // The maker's web site: the root page of the web service.
    static QUrl websiteUrl();

    // What opens web pages; the desktop's browser by default.
    using UrlOpener = std::function<void(const QUrl&)>;
    void setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    QPushButton* websiteLink() const { return m_website; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColors();

    QLabel* m_symbol;
    QLabel* m_version;
    QLabel* m_engine;
    QPushButton* m_website;
    bool m_applying = false;
    UrlOpener m_openUrl;
};

// The one About window of the process, "About Velmora": 360 × 420, closable
// but neither resizable nor minimisable, centred on the screen once, when it
// is made. Closing it only hides it; the next show brings it back where the
// user left it.
class AboutWindowController final {
public:
    static constexpr QSize contentSize{360, 420};
    static inline const QString title = QStringLiteral("About Velmora");

    // Made on first use, kept until the process ends.
    static AboutWindowController& shared();

    AboutWindowController();
    ~AboutWindowController();
    AboutWindowController(const AboutWindowController&) = delete;
    AboutWindowController& operator=(const AboutWindowController&) = delete;

    QWidget* window() const { return m_window.get(); }
    AboutView* view() const { return m_view; }

    // Shows the window, raised and active.
    void showWindow();

private:
    std::unique_ptr<QWidget> m_window;
    AboutView* m_view;
};

} // namespace velmora
