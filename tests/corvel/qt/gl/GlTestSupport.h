#pragma once

#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include <QFont>

#include "corvel/qt/TerminalView.h"
#include "corvel/qt/ViewTestSupport.h"
#include "corvel/qt/gl/FrameDrawData.h"
#include "corvel/qt/gl/GlyphStore.h"
#include "corvel/qt/gl/MemoryGpuDevice.h"

namespace corvel::test {

// DejaVu Sans Mono at a pixel size (9 × 17 cells at 14).
QFont glTestFont(int pixelSize = 14);

// The X display named by VELMORA_TEST_DISPLAY, when the tests run on one.
bool haveTestDisplay();

// Textures and buffers in memory, counted.
using FakeDevice = MemoryGpuDevice;

// A shown 20 × 5 view in DejaVu Sans Mono 14 (9 × 17 cells), its text area
// 180 × 85, and a frame builder over a fake device.
class GpuViewFixture : public ::testing::Test {
protected:
    static constexpr int cw = 9;
    static constexpr int ch = 17;

    void SetUp() override;

    DrawData frame(GpuBufferingMode mode = GpuBufferingMode::perRowPersistent);
    // The cached draw data of a screen row.
    const RowDrawData& row(int screenRow);
    // Drawable y (upwards) of the bottom edge of a screen row.
    static float rowBottom(int screenRow) { return float(ch * (5 - screenRow - 1)); }

    FakeDevice device;
    std::unique_ptr<TerminalView> view;
    std::unique_ptr<GlyphStore> store;
    std::unique_ptr<FrameDrawBuilder> builder;
};

} // namespace corvel::test
