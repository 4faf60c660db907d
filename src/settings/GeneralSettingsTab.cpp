#include "settings/GeneralSettingsTab.h"

#include "core/AppPaths.h"
#include "core/SettingsStore.h"
#include "settings/PaletteBrowserView.h"
#include "settings/SettingsLook.h"
#include "settings/SettingsViewModel.h"
#include "skin/SkinLoader.h"
#include "skin/SkinManifest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace velmora {
namespace {

constexpr int labelWidth = 90;

// The size stepper: whole steps, the size shown without its fraction. A size
// can also be typed, in digits with or without "pt"; it is taken on Return or
// when the box loses the focus, and a size out of range is never taken.
class FontSizeStepper final : public QDoubleSpinBox {
public:
    explicit FontSizeStepper(QWidget* parent) : QDoubleSpinBox(parent)
    {
        setDecimals(2);
        setRange(GeneralSettingsTab::minimumFontSize, GeneralSettingsTab::maximumFontSize);
        setSingleStep(1);
        setAccelerated(false);
        setKeyboardTracking(false);
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    QString textFromValue(double value) const override { return GeneralSettingsTab::fontSizeText(value); }
    double valueFromText(const QString& text) const override { return typedSize(text).value_or(value()); }
    QValidator::State validate(QString& text, int&) const override
    {
        const auto size = typedSize(text);
        if (!size)
            return digitsOnly().match(text).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
        if (*size > maximum())
            return QValidator::Invalid; // more digits only make it larger
        return *size < minimum() ? QValidator::Intermediate : QValidator::Acceptable;
    }

private:
    // Up to two digits, then "p" or "pt", blanks around; "" and "p" alone are
    // on their way.
    static const QRegularExpression& digitsOnly()
    {
        static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{0,2})\\s*(pt?)?\\s*$"));
        return pattern;
    }
    static std::optional<double> typedSize(const QString& text)
    {
        const QRegularExpressionMatch match = digitsOnly().match(text);
        if (!match.hasMatch() || match.capturedLength(1) == 0)
            return std::nullopt;
        return match.captured(1).toDouble();
    }
};

QComboBox* popUpMenu(int width, QWidget* parent)
{
    auto* menu = new QComboBox(parent);
    menu->setFixedWidth(width);
    menu->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return menu;
}

// Replaces a menu's items only when they changed, and selects text.
void showItems(QComboBox* menu, const QStringList& items, const QString& current)
{
    QStringList shown;
    for (int i = 0; i < menu->count(); ++i)
        shown.append(menu->itemText(i));
    if (shown != items) {
        menu->clear();
        menu->addItems(items);
    }
    menu->setCurrentIndex(int(items.indexOf(current)));
}

bool askToReset(QWidget* parent)
{
    QMessageBox alert(QMessageBox::Warning,
                      QStringLiteral("Reset all settings?"),
                      QStringLiteral("Reset all settings?"),
                      QMessageBox::NoButton,
                      parent);
    alert.setInformativeText(QStringLiteral(
        "Font, skins' effects, slot choices, widget configs, and saved window positions will return to defaults. "
        "Your installed skins and widgets are NOT touched."));
    QPushButton* reset = alert.addButton(QStringLiteral("Reset"), QMessageBox::DestructiveRole);
    alert.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    alert.setDefaultButton(reset);
    alert.exec();
    return alert.clickedButton() == reset;
}

} // namespace

GeneralSettingsTab::GeneralSettingsTab(SettingsViewModel& model, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_confirmReset([this] { return askToReset(this); }),
      m_revealFile([](const QString& file) {
          // File managers are told to open a folder, not to select a file in it.
          QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
      })
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(SettingsLook::tabMargins());
    layout->setSpacing(18);

    const auto grid = [this] {
        auto* form = new QGridLayout;
        form->setHorizontalSpacing(12);
        form->setVerticalSpacing(12);
        form->setColumnStretch(2, 1);
        return form;
    };

    layout->addWidget(SettingsLook::sectionHeader(QStringLiteral("Terminal"), this));
    QGridLayout* terminal = grid();
    m_fontMenu = popUpMenu(200, this);
    m_fontMenu->setObjectName(QStringLiteral("fontMenu"));
    m_fontSize = new FontSizeStepper(this);
    m_fontSize->setObjectName(QStringLiteral("fontSize"));
    m_fontSize->setFixedWidth(72);
    auto* fontRow = new QHBoxLayout;
    fontRow->setSpacing(8);
    fontRow->addWidget(m_fontMenu);
    fontRow->addWidget(m_fontSize);
    fontRow->addStretch(1);
    terminal->addWidget(SettingsLook::rowLabel(QStringLiteral("Font"), labelWidth, this), 0, 0);
    terminal->addLayout(fontRow, 0, 1, 1, 2);

    m_shellMenu = popUpMenu(200, this);
    m_shellMenu->setObjectName(QStringLiteral("shellMenu"));
    m_shellField = new QLineEdit(this);
    m_shellField->setObjectName(QStringLiteral("shellField"));
    m_shellField->setPlaceholderText(QStringLiteral("/custom/shell"));
    m_shellField->setFixedWidth(160);
    auto* shellRow = new QHBoxLayout;
    shellRow->setSpacing(8);
    shellRow->addWidget(m_shellMenu);
    shellRow->addWidget(m_shellField);
    shellRow->addStretch(1);
    terminal->addWidget(SettingsLook::rowLabel(QStringLiteral("Shell"), labelWidth, this), 1, 0);
    terminal->addLayout(shellRow, 1, 1, 1, 2);
    m_shellStatus = SettingsLook::caption(QString(), this);
    m_shellStatus->setObjectName(QStringLiteral("shellStatus"));
    QPalette refused = m_shellStatus->palette();
    refused.setColor(QPalette::WindowText, QColor(215, 48, 39));
    m_shellStatus->setPalette(refused);
    m_shellStatus->setForegroundRole(QPalette::WindowText);
    m_shellStatus->hide();
    terminal->addWidget(m_shellStatus, 2, 1, 1, 2);
    layout->addLayout(terminal);

    m_palette = new PaletteBrowserView(m_model, this);
    layout->addWidget(m_palette);

    layout->addWidget(SettingsLook::sectionHeader(QStringLiteral("Startup"), this));
    QGridLayout* startup = grid();
    m_defaultSkinMenu = popUpMenu(220, this);
    m_defaultSkinMenu->setObjectName(QStringLiteral("defaultSkinMenu"));
    startup->addWidget(SettingsLook::rowLabel(QStringLiteral("Default skin"), labelWidth, this), 0, 0);
    startup->addWidget(m_defaultSkinMenu, 0, 1);
    m_restoreWindows = new QCheckBox(QStringLiteral("Restore windows from last session"), this);
    m_restoreWindows->setObjectName(QStringLiteral("restoreWindows"));
    startup->addWidget(m_restoreWindows, 1, 1, 1, 2);
    startup->setColumnMinimumWidth(0, labelWidth);
    layout->addLayout(startup);

    layout->addStretch(1);

    auto* footer = new QHBoxLayout;
    m_reset = new QPushButton(QStringLiteral("Reset All Settings\u2026"), this);
    m_reveal = new QPushButton(QStringLiteral("Reveal Settings File"), this);
    footer->addWidget(m_reset);
    footer->addStretch(1);
    footer->addWidget(m_reveal);
    layout->addLayout(footer);

    connect(m_fontMenu, &QComboBox::activated, this, [this](int index) { chooseFont(m_fontMenu->itemText(index)); });
    connect(m_fontSize, &QDoubleSpinBox::valueChanged, this, [this](double size) {
        if (!m_refreshing)
            chooseFontSize(size);
    });
    connect(m_shellMenu, &QComboBox::activated, this, [this](int index) { chooseShell(m_shellMenu->itemText(index)); });
    // Return or leaving the field, not every keystroke: a half-typed path is
    // never stored.
    connect(m_shellField, &QLineEdit::editingFinished, this, [this] { commitShellField(); });
    connect(m_defaultSkinMenu, &QComboBox::activated, this, [this](int index) {
        chooseDefaultSkin(m_defaultSkinMenu->itemText(index));
    });
    connect(m_restoreWindows, &QCheckBox::clicked, this, [this](bool checked) { chooseRestoreWindows(checked); });
    connect(m_reset, &QPushButton::clicked, this, [this] { resetAllSettings(); });
    connect(m_reveal, &QPushButton::clicked, this, [this] { revealSettingsFile(); });
    connect(&m_model, &SettingsViewModel::changed, this, [this] { refresh(); });
    refresh();
}

GeneralSettingsTab::~GeneralSettingsTab()
{
    // A shell field that has the focus finishes its editing as the window
    // goes, after this tab has stopped being one: it must not reach us then.
    m_shellField->disconnect(this);
}

QString GeneralSettingsTab::withoutFoundry(const QString& family)
{
    static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\]]*\\]$"));
    QString name = family;
    name.remove(foundry);
    return name;
}

QStringList GeneralSettingsTab::monospacedFonts(const QString& currentName, const QStringList& installedFamilies,
                                                const std::function<bool(const QString&)>& isFixedPitch)
{
    QSet<QString> installed;
    for (const QString& family : installedFamilies)
        installed.insert(withoutFoundry(family));
    QSet<QString> names;
    for (const QString& preferred : preferredFonts) {
        if (installed.contains(preferred))
            names.insert(preferred);
    }
    for (const QString& family : installedFamilies) {
        if (isFixedPitch(family))
            names.insert(withoutFoundry(family));
    }
    names.insert(currentName);
    names.remove(QString());
    QStringList sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

QStringList GeneralSettingsTab::monospacedFonts(const QString& currentName)
{
    return monospacedFonts(currentName, QFontDatabase::families(), [](const QString& family) {
        return QFontDatabase::isFixedPitch(family);
    });
}

QStringList GeneralSettingsTab::detectedShells(const QStringList& candidates)
{
    QStringList shells;
    for (const QString& path : candidates) {
        const QFileInfo file(path);
        if (file.isFile() && file.isExecutable())
            shells.append(path);
    }
    return shells;
}

bool GeneralSettingsTab::isExecutableFile(const QString& path)
{
    const QFileInfo file(path);
    return QDir::isAbsolutePath(path) && file.isFile() && file.isExecutable();
}

QString GeneralSettingsTab::refusedShellText(const QString& path)
{
    return QStringLiteral("\u201C%1\u201D is not an executable file, so it was not saved.").arg(path);
}

QStringList GeneralSettingsTab::shellMenuItems(const QStringList& detected, const QString& current)
{
    QStringList items = detected;
    if (!current.isEmpty() && !items.contains(current))
        items.append(current);
    return items;
}

QString GeneralSettingsTab::fontSizeText(double size)
{
    return QStringLiteral("%1pt").arg(static_cast<long long>(size));
}

void GeneralSettingsTab::chooseFont(const QString& name)
{
    m_model.setFontName(name);
    if (name != m_model.settings().fontName())
        m_model.settings().setFontName(name);
}

void GeneralSettingsTab::chooseFontSize(double size)
{
    size = std::clamp(size, minimumFontSize, maximumFontSize);
    m_model.setFontSize(size);
    SettingsStore& store = m_model.settings();
    if (size == store.data().fontSize)
        return;
    store.data().fontSize = size;
    store.save();
    store.announceFontChange();
}

bool GeneralSettingsTab::chooseShell(const QString& shell)
{
    SettingsStore& store = m_model.settings();
    const bool unchanged = shell == m_model.effectiveShell() || shell == store.data().defaultShell;
    // An empty shell means the login shell; any other must be one to start.
    if (!unchanged && !shell.isEmpty() && !isExecutableFile(shell)) {
        m_shellStatus->setText(refusedShellText(shell));
        m_shellStatus->show();
        return false;
    }
    m_shellStatus->hide();
    m_shellStatus->clear();
    m_shellField->setText(shell); // taken: the field follows the model again
    m_model.setShell(shell);
    if (unchanged)
        return true;
    store.data().defaultShell = shell;
    store.save();
    return true;
}

bool GeneralSettingsTab::commitShellField() { return chooseShell(m_shellField->text()); }

void GeneralSettingsTab::chooseDefaultSkin(const QString& name)
{
    m_model.setDefaultSkin(name);
    SettingsStore& store = m_model.settings();
    if (name == store.data().defaultSkin)
        return;
    store.data().defaultSkin = name;
    store.save();
}

void GeneralSettingsTab::chooseRestoreWindows(bool restore)
{
    m_model.setRestoreWindows(restore);
    SettingsStore& store = m_model.settings();
    if (restore == store.data().restoreWindows)
        return;
    store.data().restoreWindows = restore;
    store.save();
}

void GeneralSettingsTab::resetAllSettings()
{
    if (m_confirmReset && m_confirmReset())
        m_model.settings().resetAll();
}

void GeneralSettingsTab::revealSettingsFile()
{
    if (m_revealFile)
        m_revealFile(AppPaths::settingsFile());
}

void GeneralSettingsTab::showEvent(QShowEvent* event)
{
    refresh();
    QWidget::showEvent(event);
}

void GeneralSettingsTab::refresh()
{
    m_refreshing = true;
    showItems(m_fontMenu, monospacedFonts(m_model.fontName()), m_model.fontName());
    m_fontSize->setValue(m_model.fontSize());

    const QString shell = m_model.shell();
    showItems(m_shellMenu, shellMenuItems(detectedShells(), shell), shell);
    // Typed text stays until it is taken; refused, it stays to be mended.
    if (!m_shellField->isModified() && m_shellField->text() != shell)
        m_shellField->setText(shell);

    QStringList skins;
    for (const SkinManifest& skin : SkinManifest::orBuiltInPair(m_model.skins().skins()))
        skins.append(skin.name);
    showItems(m_defaultSkinMenu, skins, m_model.defaultSkin());
    m_restoreWindows->setChecked(m_model.restoreWindows());
    m_refreshing = false;
}

} // namespace velmora
