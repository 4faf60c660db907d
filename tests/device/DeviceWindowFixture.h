#pragma once

#include "core/SettingsStore.h"
#include "device/DeviceWindowController.h"
#include "skin/SkinLoader.h"
#include "support/ProgramHome.h"

#include <gtest/gtest.h>

#include <memory>

namespace velmora::test {

// The settings of a fresh install in the program's private home, the skins
// loaded, and at most one device window, opened by the test and closed after it.
class DeviceWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProgramHome::resetSettings();
        SkinLoader::shared().loadAll();
    }

    void TearDown() override { controller.reset(); }

    // Opens and shows a device window on the skin.
    DeviceWindowController& open(const SkinManifest& skin)
    {
        controller = std::make_unique<DeviceWindowController>(skin, SettingsStore::shared(), SkinLoader::shared());
        controller->showWindow();
        return *controller;
    }

    std::unique_ptr<DeviceWindowController> controller;
};

} // namespace velmora::test
