#pragma once

#include <string>
#include <vector>

#include <QKeyEvent>
#include <QtTest/QTest>

#include "ViewFixture.h"

namespace corvel::test {

// A host that keeps every write apart.
struct WriteRecorder : RecordingHost {
    std::vector<std::string> writes;

    void send(TerminalView& source, std::span<const uint8_t> data) override
    {
        RecordingHost::send(source, data);
        writes.emplace_back(data.begin(), data.end());
    }
};

// A shown view whose writes are recorded, with helpers that deliver key
// events the way the window system does.
class KeyboardFixture : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        view->setTerminalDelegate(&writer);
        view->setFocus();
    }

    void TearDown() override
    {
        view->setTerminalDelegate(nullptr);
        ViewFixture::TearDown();
    }

    // One key press with full control over the event, as the X11 platform
    // delivers it (keycode and keysym are 0 where the test does not care).
    void press(int key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {}, bool autoRepeat = false,
               quint32 keycode = 0, quint32 keysym = 0)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, keycode, keysym, 0, text, autoRepeat);
        QCoreApplication::sendEvent(view.get(), &event);
    }

    void release(int key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {}, bool autoRepeat = false,
                 quint32 keycode = 0, quint32 keysym = 0)
    {
        QKeyEvent event(QEvent::KeyRelease, key, modifiers, keycode, keysym, 0, text, autoRepeat);
        QCoreApplication::sendEvent(view.get(), &event);
    }

    // Presses and releases the key, with presses and releases of the
    // modifier keys around it, as a user types it.
    void click(Qt::Key key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {})
    {
        QTest::sendKeyEvent(QTest::Click, view.get(), key, text, modifiers);
    }

    std::string sent() const { return writer.sent; }
    void clearSent()
    {
        writer.sent.clear();
        writer.writes.clear();
    }

    WriteRecorder writer;
};

} // namespace corvel::test
