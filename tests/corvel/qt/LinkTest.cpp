// Links in the view: highlight modes, the URL preview while Ctrl is held,
// what a click opens, and which URLs may be opened at all.

#include <string>

#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>

#include "ViewFixture.h"
#include "corvel/model/UnderlineStyle.h"

namespace corvel::test {
namespace {

class Links : public ViewFixture {
protected:
    // An explicit link on row 0 (columns 0-3), a plain URL on row 1 (columns
    // 0-18) and plain text on row 2.
    void SetUp() override
    {
        ViewFixture::SetUp();
        view->feed("\x1b]8;id=x:foo=bar;https://example.com/a;b\x1b\\link\x1b]8;;\x1b\\ text\r\n"
                   "https://plain.test/ more\r\n"
                   "just words");
        flush();
    }

    QPointF at(int col, int row) const { return QPointF((col + 0.5) * cellWidth, (row + 0.5) * cellHeight); }
    void mouse(QEvent::Type type, QPointF p, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, p, view->mapToGlobal(p), button, buttons, modifiers);
        event.setTimestamp(clock_ += 1000); // every click a single click
        QCoreApplication::sendEvent(view.get(), &event);
    }
    ulong clock_ = 0;
    void move(int col, int row) { mouse(QEvent::MouseMove, at(col, row), Qt::NoButton, Qt::NoModifier); }
    void click(int col, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, at(col, row), Qt::LeftButton, modifiers);
        mouse(QEvent::MouseButtonRelease, at(col, row), Qt::NoButton, modifiers);
    }
    std::vector<std::string> opened() const
    {
        std::vector<std::string> links;
        for (const auto& [link, params] : host.openedLinks)
            links.push_back(link);
        return links;
    }
    // The columns of a buffer row drawn with the dashed link underline.
    std::string highlighted(int row)
    {
        const BufferLine& line = terminal().displayBuffer().lines()[row];
        const ViewLineInfo info = view->buildAttributedString(row, line, terminal().cols);
        std::string marks;
        for (const ViewLineSegment& segment : info.segments)
            for (const ViewLineRun& run : segment.runs) {
                const bool dashed = run.attributes.underline
                    && run.attributes.underline->corvelStyle == static_cast<int>(UnderlineStyle::dashed);
                marks.append(static_cast<size_t>(run.glyphCount()), dashed ? '#' : '.');
            }
        return marks.substr(0, 20);
    }
};

TEST_F(Links, ByDefaultOnlyCtrlHighlightsAndOpens)
{
    EXPECT_EQ(view->linkHighlightMode(), LinkHighlightMode::hoverWithModifier);
    move(3, 1);
    EXPECT_FALSE(view->linkHighlightRange);
    click(3, 1);
    EXPECT_TRUE(opened().empty());

    view->linkModifierChanged(true);
    move(3, 1);
    ASSERT_TRUE(view->linkHighlightRange);
    EXPECT_EQ(highlighted(1), "###################.");
    click(3, 1, Qt::ControlModifier);
    EXPECT_EQ(opened(), std::vector<std::string>{"https://plain.test/"});

    view->linkModifierChanged(false);
    EXPECT_FALSE(view->linkHighlightRange);
    EXPECT_EQ(highlighted(1), "....................");
}

TEST_F(Links, HoverModeOpensWithAPlainClick)
{
    view->setLinkHighlightMode(LinkHighlightMode::hover);
    EXPECT_TRUE(view->hasMouseTracking());
    move(5, 1);
    EXPECT_EQ(highlighted(1), "###################.");
    click(5, 1);
    EXPECT_EQ(opened(), std::vector<std::string>{"https://plain.test/"});
    move(3, 2);
    EXPECT_FALSE(view->linkHighlightRange);
}

TEST_F(Links, AlwaysModeShowsAndOpensOnlyExplicitLinks)
{
    view->setLinkHighlightMode(LinkHighlightMode::always);
    EXPECT_EQ(highlighted(0), "####................");
    EXPECT_EQ(highlighted(1), "....................");
    click(5, 1);
    EXPECT_TRUE(opened().empty());
    click(2, 0);
    ASSERT_EQ(host.openedLinks.size(), 1u);
    // The URL is everything after the first ";", with the parameters.
    EXPECT_EQ(host.openedLinks[0].first, "https://example.com/a;b");
    EXPECT_EQ(host.openedLinks[0].second, (std::map<std::string, std::string>{{"id", "x"}, {"foo", "bar"}}));
}

TEST_F(Links, AlwaysWithModifierNeedsCtrl)
{
    view->setLinkHighlightMode(LinkHighlightMode::alwaysWithModifier);
    EXPECT_EQ(highlighted(0), "....................");
    click(2, 0);
    EXPECT_TRUE(opened().empty());
    view->linkModifierChanged(true);
    EXPECT_EQ(highlighted(0), "####................");
    click(2, 0, Qt::ControlModifier);
    EXPECT_EQ(opened(), std::vector<std::string>{"https://example.com/a;b"});
}

TEST_F(Links, TheRightHalfOfAWideCharacterHasItsPayload)
{
    view->feed("\r\n\x1b]8;;https://wide.test/\x1b\\\xe6\x97\xa5\xe6\x9c\xac\x1b]8;;\x1b\\");
    const int row = terminal().buffer().yBase() + terminal().buffer().y();
    EXPECT_EQ(view->payloadString({1, row}), ";https://wide.test/");
    EXPECT_EQ(view->payloadString({3, row}), ";https://wide.test/");
    EXPECT_EQ(view->payloadString({4, row}), std::nullopt);
}

TEST_F(Links, CtrlShowsTheUrlOfAnExplicitLinkInInvertedColours)
{
    view->linkModifierChanged(true);
    move(1, 0);
    QLabel* preview = view->urlPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->text(), QStringLiteral("https://example.com/a;b"));
    EXPECT_EQ(preview->geometry().left(), 0);
    EXPECT_EQ(preview->geometry().bottom(), view->height() - 1);
    EXPECT_EQ(preview->palette().color(QPalette::Window), view->nativeForegroundColor());
    EXPECT_EQ(preview->palette().color(QPalette::WindowText), view->nativeBackgroundColor());
    move(3, 2); // plain text keeps the last URL
    EXPECT_EQ(view->urlPreview(), preview);
    EXPECT_EQ(preview->text(), QStringLiteral("https://example.com/a;b"));
    view->linkModifierChanged(false);
    EXPECT_EQ(view->urlPreview(), nullptr);
    EXPECT_FALSE(view->commandActive);
}

TEST_F(Links, LeavingTheViewEndsThePreviewAndTheHighlight)
{
    view->linkModifierChanged(true);
    move(1, 0);
    ASSERT_TRUE(view->linkHighlightRange);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view.get(), &leave);
    EXPECT_EQ(view->urlPreview(), nullptr);
    EXPECT_FALSE(view->linkHighlightRange);
}

// Ctrl released while another widget or window has the keyboard never
// reaches the view: losing the keyboard ends the Ctrl state.
TEST_F(Links, LosingTheKeyboardEndsTheCtrlState)
{
    QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QCoreApplication::sendEvent(view.get(), &ctrl);
    ASSERT_TRUE(view->commandActive);
    move(1, 0);
    ASSERT_NE(view->urlPreview(), nullptr);
    ASSERT_TRUE(view->linkHighlightRange);

    QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(view.get(), &focusOut);
    EXPECT_FALSE(view->commandActive);
    EXPECT_EQ(view->urlPreview(), nullptr);
    EXPECT_FALSE(view->linkHighlightRange);
    EXPECT_EQ(highlighted(0), "....................");
    // Back without Ctrl, the pointer over the link highlights nothing.
    QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(view.get(), &focusIn);
    move(2, 0);
    EXPECT_FALSE(view->linkHighlightRange);
    click(2, 0);
    EXPECT_TRUE(opened().empty());
}

// A host that shows the view through a distortion maps the pointer for the
// first preview as it maps clicks.
TEST_F(Links, CtrlLooksForTheLinkWhereTheHostMapsThePointer)
{
    std::optional<QPointF> pointer = at(2, 0);
    view->setPointerMapping([&pointer](const QPointF&) { return pointer; });
    view->linkModifierChanged(true);
    ASSERT_NE(view->urlPreview(), nullptr);
    EXPECT_EQ(view->urlPreview()->text(), QStringLiteral("https://example.com/a;b"));
    EXPECT_EQ(highlighted(0), "####................");
    view->linkModifierChanged(false);

    pointer = at(5, 1);
    view->linkModifierChanged(true);
    EXPECT_EQ(view->urlPreview(), nullptr);
    EXPECT_EQ(highlighted(1), "###################.");
    view->linkModifierChanged(false);

    // Off the screen's picture: nothing is looked up.
    pointer.reset();
    view->linkModifierChanged(true);
    EXPECT_EQ(view->urlPreview(), nullptr);
    EXPECT_FALSE(view->linkHighlightRange);
}

struct UrlCase {
    const char* name;
    std::string link;
    bool opens;
};

class OpenableUrls : public ::testing::TestWithParam<UrlCase> {};

TEST_P(OpenableUrls, FollowTheSchemeAllowList)
{
    EXPECT_EQ(TerminalViewDelegate::openableUrl(GetParam().link).has_value(), GetParam().opens) << GetParam().link;
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, OpenableUrls,
    ::testing::Values(UrlCase{"Http", "http://example.com/", true}, UrlCase{"Https", "HTTPS://example.com/x?y=1", true},
                      UrlCase{"Mailto", "mailto:someone@example.com", true},
                      UrlCase{"Ftp", "ftp://example.com/f", true}, UrlCase{"Ssh", "ssh://example.com", false},
                      UrlCase{"Javascript", "javascript:alert(1)", false}, UrlCase{"Data", "data:text/html,hi", false},
                      UrlCase{"NoScheme", "./relative/path.txt", false},
                      UrlCase{"NotAUrl", "http://exa mple.com/%%", false}, UrlCase{"Empty", "", false},
                      UrlCase{"MissingFile", "file:///nonexistent/velmora-test-file", false},
                      UrlCase{"Directory", "file:///tmp", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenableFileUrls, OnlyFilesThatAreNotExecutable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile text(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.close();
    QFile script(dir.filePath(QStringLiteral("run.sh")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(TerminalViewDelegate::openableUrl("file://" + text.fileName().toStdString()));
    EXPECT_FALSE(TerminalViewDelegate::openableUrl("file://" + script.fileName().toStdString()));
}

} // namespace
} // namespace corvel::test
