#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QWidget;

namespace velmora {

class SkinLoader;

class SkinBuilderModel;
class SkinBuilderView;

// The skin builder's one window and the model behind it, which it owns for
// its whole life. Closing the window only hides it, so showing it again
// finds the same model with all unsaved work. The application creates one
// controller when the builder is first asked for and keeps it.
class SkinBuilderWindowController final : public QObject {
    Q_OBJECT

public:
    static inline const QString windowTitle = QStringLiteral("Velmora Skin Builder");
    static constexpr int initialWidth = 900;
    static constexpr int initialHeight = 700;

    explicit SkinBuilderWindowController(SkinLoader& skins, QObject* parent = nullptr);
    ~SkinBuilderWindowController() override;

    SkinBuilderModel& model() const { return *m_model; }
    QWidget* window() const { return m_window.get(); }
    SkinBuilderView* view() const { return m_view; }

    // Shows the window, raised and active.
    void showWindow();

    // The builder's entries for the application: show the window, then,
    // after asking before unsaved work is replaced, open an installed skin's
    // folder or a picture. False when the user kept the current work or
    // loading failed (the status line says why).
    bool openSkinForEditing(const QString& skinFolder);
    bool openPicture(const QString& path);

private:
    bool mayDiscardCurrentWork(const QString& informativeText, const QString& acceptButton);

    std::unique_ptr<SkinBuilderModel> m_model;
    std::unique_ptr<QWidget> m_window;
    SkinBuilderView* m_view;
};

} // namespace velmora
