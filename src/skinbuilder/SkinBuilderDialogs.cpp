#include "skinbuilder/SkinBuilderDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace velmora {

namespace {

std::optional<QString> chosen(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

QtSkinBuilderDialogs::QtSkinBuilderDialogs(QWidget* parent) : m_parent(parent) {}

QtSkinBuilderDialogs::~QtSkinBuilderDialogs() = default;

bool QtSkinBuilderDialogs::confirm(const Confirmation& question)
{
    QMessageBox alert(QMessageBox::Warning, QString(), question.message, QMessageBox::NoButton, m_parent);
    alert.setInformativeText(question.informativeText);
    QPushButton* accept = alert.addButton(question.acceptButton, QMessageBox::AcceptRole);
    QPushButton* cancel = alert.addButton(question.cancelButton, QMessageBox::RejectRole);
    alert.setDefaultButton(accept);
    alert.setEscapeButton(cancel);
    alert.exec();
    return alert.clickedButton() == accept;
}

std::optional<QString> QtSkinBuilderDialogs::chooseZipDestination(const QString& title, const QString& proposedName)
{
    QFileDialog dialog(m_parent, title, QDir::home().filePath(proposedName), QStringLiteral("Zip archive (*.zip)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("zip"));
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return chosen(dialog.selectedFiles().constFirst());
}

std::optional<QString> QtSkinBuilderDialogs::chooseFolder(const QString& title, const QString& startFolder)
{
    return chosen(QFileDialog::getExistingDirectory(m_parent, title, startFolder));
}

std::optional<QString> QtSkinBuilderDialogs::choosePicture()
{
    return chosen(QFileDialog::getOpenFileName(
        m_parent, QString(), QString(), QStringLiteral("Pictures (*.png *.jpg *.jpeg *.heic)")));
}

} // namespace velmora
