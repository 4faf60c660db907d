#include "corvel/qt/TerminalFindBarView.h"

#include <algorithm>

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

namespace corvel {

namespace {

enum class Glyph { up, down, close };

// A small line icon in the text colour, drawn for both pixel densities.
QIcon glyphIcon(Glyph glyph, const QColor& color)
{
    QIcon icon;
    for (const double scale : {1.0, 2.0}) {
        QPixmap pixmap(QSize(14, 14) * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        QPainterPath path;
        switch (glyph) {
        case Glyph::up:
            path.moveTo(3, 9);
            path.lineTo(7, 5);
            path.lineTo(11, 9);
            break;
        case Glyph::down:
            path.moveTo(3, 5);
            path.lineTo(7, 9);
            path.lineTo(11, 5);
            break;
        case Glyph::close:
            path.moveTo(4, 4);
            path.lineTo(10, 10);
            path.moveTo(10, 4);
            path.lineTo(4, 10);
            break;
        }
        painter.drawPath(path);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

TerminalFindBarView::TerminalFindBarView(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("findBar"));
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);

    searchField_ = new QLineEdit(this);
    searchField_->setPlaceholderText(QStringLiteral("Find"));
    searchField_->setClearButtonEnabled(true);
    searchField_->setMinimumWidth(preferredFieldWidth);
    searchField_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    searchField_->installEventFilter(this);
    connect(searchField_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (onSearchChanged)
            onSearchChanged(text);
    });

    const QColor ink = palette().color(QPalette::WindowText);
    previousButton_ = makeButton(glyphIcon(Glyph::up, ink), QStringLiteral("Previous"));
    nextButton_ = makeButton(glyphIcon(Glyph::down, ink), QStringLiteral("Next"));
    closeButton_ = makeButton(glyphIcon(Glyph::close, ink), QStringLiteral("Close"));
    connect(previousButton_, &QToolButton::clicked, this, [this] {
        if (onFindPrevious)
            onFindPrevious();
    });
    connect(nextButton_, &QToolButton::clicked, this, [this] {
        if (onFindNext)
            onFindNext();
    });
    connect(closeButton_, &QToolButton::clicked, this, [this] {
        if (onClose)
            onClose();
    });

    caseSensitiveButton_ = makeOption(QStringLiteral("Aa"), QStringLiteral("Case Sensitive"));
    regexButton_ = makeOption(QStringLiteral(".*"), QStringLiteral("Regex"));
    wholeWordButton_ = makeOption(QStringLiteral("Word"), QStringLiteral("Whole Word"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    mainRow_ = new QHBoxLayout;
    mainRow_->setSpacing(6);
    optionRow_ = new QHBoxLayout;
    optionRow_->setSpacing(6);
    layout->addLayout(mainRow_);
    layout->addLayout(optionRow_);
    arrange(false);

    if (parent)
        parent->installEventFilter(this);
}

QToolButton* TerminalFindBarView::makeButton(const QIcon& icon, const QString& tooltip)
{
    auto* button = new QToolButton(this);
    button->setIcon(icon);
    button->setIconSize(QSize(14, 14));
    button->setAutoRaise(true);
    button->setFixedSize(24, 24);
    button->setToolTip(tooltip);
    button->setAccessibleName(tooltip);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QCheckBox* TerminalFindBarView::makeOption(const QString& title, const QString& tooltip)
{
    auto* box = new QCheckBox(title, this);
    QFont font = box->font();
    font.setPixelSize(11);
    box->setFont(font);
    box->setToolTip(tooltip);
    box->setAccessibleName(tooltip);
    box->setFocusPolicy(Qt::NoFocus);
    connect(box, &QCheckBox::toggled, this, [this] {
        if (onOptionsChanged)
            onOptionsChanged(options());
    });
    return box;
}

SearchOptions TerminalFindBarView::options() const
{
    return {caseSensitiveButton_->isChecked(), regexButton_->isChecked(), wholeWordButton_->isChecked()};
}

void TerminalFindBarView::searchFieldAction(bool shift)
{
    if (shift) {
        if (onFindPrevious)
            onFindPrevious();
    } else if (onFindNext) {
        onFindNext();
    }
}

void TerminalFindBarView::setTrailingInset(int inset)
{
    trailingInset_ = inset;
    place();
}

void TerminalFindBarView::keepClearOf(const QRect& area)
{
    if (area == keptClear_)
        return;
    keptClear_ = area;
    place();
}

void TerminalFindBarView::arrange(bool compact)
{
    if (compact == compact_ && mainRow_->count() > 0)
        return;
    compact_ = compact;
    for (QHBoxLayout* row : {mainRow_, optionRow_}) {
        while (QLayoutItem* item = row->takeAt(0))
            delete item;
    }
    mainRow_->addWidget(searchField_, 1);
    mainRow_->addWidget(previousButton_);
    mainRow_->addWidget(nextButton_);
    QHBoxLayout* options = compact ? optionRow_ : mainRow_;
    if (compact)
        options->addStretch(1);
    else
        options->addSpacing(2);
    options->addWidget(caseSensitiveButton_);
    options->addWidget(regexButton_);
    options->addWidget(wholeWordButton_);
    if (!compact)
        mainRow_->addSpacing(2);
    mainRow_->addWidget(closeButton_);
    mainRow_->invalidate();
    optionRow_->invalidate();
    layout()->invalidate();
}

void TerminalFindBarView::place()
{
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    const int room = parent->width() - trailingInset_ - edgeInset;
    // One row where it fits with a field of the preferred width; else two,
    // the field narrowed as far as the room asks.
    if (searchField_->minimumWidth() != preferredFieldWidth) {
        searchField_->setMinimumWidth(preferredFieldWidth);
        mainRow_->invalidate();
        layout()->invalidate();
    }
    arrange(false);
    if (minimumSizeHint().width() > room) {
        arrange(true);
        const int overflow = minimumSizeHint().width() - room;
        if (overflow > 0) {
            searchField_->setMinimumWidth(std::max(leastFieldWidth, preferredFieldWidth - overflow));
            // The rows keep their measures until told.
            mainRow_->invalidate();
            layout()->invalidate();
        }
    }
    const int width = std::max(std::min({sizeHint().width(), maximumWidth, room}), minimumSizeHint().width());
    const int height = std::max(sizeHint().height(), minimumSizeHint().height());
    const int x = parent->width() - trailingInset_ - width;
    QRect frame(x, edgeInset, width, height);
    // Off the current hit, where the bottom corner leaves it in sight.
    if (!keptClear_.isEmpty() && frame.intersects(keptClear_)) {
        const QRect below(x, parent->height() - edgeInset - height, width, height);
        if (below.top() > frame.bottom() && !below.intersects(keptClear_))
            frame = below;
    }
    setGeometry(frame);
    // The controls take their places now, not at the next turn of the loop.
    layout()->activate();
}

void TerminalFindBarView::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    place();
}

bool TerminalFindBarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        place();
    } else if (watched == searchField_
               && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool handled
            = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape;
        if (handled && event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        if (handled) {
            if (key->key() == Qt::Key_Escape) {
                if (onClose)
                    onClose();
            } else {
                searchFieldAction(key->modifiers().testFlag(Qt::ShiftModifier));
            }
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void TerminalFindBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = palette().color(QPalette::Window);
    fill.setAlpha(242);
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlpha(60);
    painter.setPen(QPen(edge, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(area, 8, 8);
}

} // namespace corvel
