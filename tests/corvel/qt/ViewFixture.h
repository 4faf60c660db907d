#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QScrollBar>

#include "ViewTestSupport.h"
#include "corvel/qt/CaretView.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/TerminalViewDelegate.h"
#include "corvel/qt/ViewColors.h"

namespace corvel::test {

// A host that records what the view hands it.
struct RecordingHost : TerminalViewDelegate {
    std::string sent;
    std::vector<std::pair<int, int>> sizes;
    std::vector<std::pair<int, int>> ranges;
    std::vector<double> scrolls;
    std::vector<std::pair<std::string, std::map<std::string, std::string>>> openedLinks;

    void sizeChanged(TerminalView&, int newCols, int newRows) override { sizes.emplace_back(newCols, newRows); }
    void setTerminalTitle(TerminalView&, const std::string&) override {}
    void hostCurrentDirectoryUpdate(TerminalView&, const std::optional<std::string>&) override {}
    void send(TerminalView&, std::span<const uint8_t> data) override { sent.append(data.begin(), data.end()); }
    void scrolled(TerminalView&, double position) override { scrolls.push_back(position); }
    void clipboardCopy(TerminalView&, std::span<const uint8_t>) override {}
    void rangeChanged(TerminalView&, int startY, int endY) override { ranges.emplace_back(startY, endY); }
    // Links are recorded, never opened.
    void requestOpenLink(TerminalView&, const std::string& link,
                         const std::map<std::string, std::string>& params) override
    {
        openedLinks.emplace_back(link, params);
    }
};

// A shown 80 × 24 view in DejaVu Sans Mono 14 (9 × 17 cells) on the
// offscreen platform.
class ViewFixture : public ::testing::Test {
protected:
    static constexpr int cellWidth = 9;
    static constexpr int cellHeight = 17;

    void SetUp() override
    {
        view = std::make_unique<TerminalView>(nullptr, testFont(14));
        view->setTerminalDelegate(&host);
        resizeGrid(80, 24);
        view->show();
        flush();
        host = RecordingHost();
    }

    void TearDown() override
    {
        view->setTerminalDelegate(nullptr);
        view.reset();
    }

    void resizeGrid(int cols, int rows) { view->resize(view->scrollerWidth() + cellWidth * cols, cellHeight * rows); }

    Terminal& terminal() { return view->getTerminal(); }

    // Runs the pending display update and paint events.
    void flush()
    {
        view->updateDisplay(false);
        QCoreApplication::processEvents();
    }

    QImage grab()
    {
        flush();
        return view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    QRect cell(int col, int row, int width = 1) const
    {
        return QRect(col * cellWidth, row * cellHeight, cellWidth * width, cellHeight);
    }

    QColor paletteColor(int index) { return toQColor(terminal().ansiColors()[size_t(index)]); }

    RecordingHost host;
    std::unique_ptr<TerminalView> view;
};

} // namespace corvel::test
