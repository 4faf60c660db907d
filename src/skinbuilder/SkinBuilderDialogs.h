#pragma once

#include <QPointer>
#include <QString>

#include <optional>

class QWidget;

namespace velmora {

// A warning alert whose first button goes on.
struct Confirmation {
    QString message;
    QString informativeText;
    QString acceptButton;
    QString cancelButton;
};

// The questions the skin builder asks the user: its only alert (replacing
// an installed skin, discarding unsaved work) and its file panels. Tests
// supply their own answers; the default asks with Qt's dialogs.
class SkinBuilderDialogs {
public:
    virtual ~SkinBuilderDialogs() = default;

    // True only when the user chose the accepting button.
    virtual bool confirm(const Confirmation& question) = 0;
    // A ".zip" destination; none when cancelled.
    virtual std::optional<QString> chooseZipDestination(const QString& title, const QString& proposedName) = 0;
    // One folder; none when cancelled.
    virtual std::optional<QString> chooseFolder(const QString& title, const QString& startFolder) = 0;
    // One PNG, JPEG or HEIC picture; none when cancelled.
    virtual std::optional<QString> choosePicture() = 0;
};

// Modal Qt dialogs over the given window.
class QtSkinBuilderDialogs final : public SkinBuilderDialogs {
public:
    explicit QtSkinBuilderDialogs(QWidget* parent = nullptr);
    ~QtSkinBuilderDialogs() override;

    bool confirm(const Confirmation& question) override;
    std::optional<QString> chooseZipDestination(const QString& title, const QString& proposedName) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& startFolder) override;
    std::optional<QString> choosePicture() override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace velmora
