#pragma once

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Files that attack their readers, made at test time.
namespace velmora::test {

// A named pipe at a path where a reader expects a file, watched: when the
// test is still running after the grace time, whoever blocks on the pipe is
// set free (a writer opens and closes it, so a blocked open returns and a
// read sees the end) and rescued() turns true. A test asserts !rescued():
// with a reader that waits on the pipe it fails instead of hanging.
class WatchedFifo {
public:
    explicit WatchedFifo(const QString& path, std::chrono::milliseconds grace = std::chrono::seconds(5))
        : m_path(QFile::encodeName(path))
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile::remove(path);
        m_made = ::mkfifo(m_path.constData(), 0600) == 0;
        m_watchdog = std::thread([this, grace] {
            std::unique_lock lock(m_mutex);
            if (m_done.wait_for(lock, grace, [this] { return m_finished; }))
                return;
            // Keep freeing readers until the test ends.
            while (!m_finished) {
                const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    m_rescued = true;
                    ::close(fd);
                }
                m_done.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_finished; });
            }
        });
    }
    ~WatchedFifo()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_watchdog.join();
    }
    WatchedFifo(const WatchedFifo&) = delete;
    WatchedFifo& operator=(const WatchedFifo&) = delete;

    bool made() const { return m_made; }
    bool rescued() const { return m_rescued; }

private:
    QByteArray m_path;
    bool m_made = false;
    std::atomic<bool> m_rescued{false};
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_watchdog;
};

// A PNG of side × side pixels with an alpha channel: 4 bytes a pixel once
// decoded (5600 a side is 125 MB), a few hundred kilobytes on disk. The left
// half is colour, the right half black.
inline void writeEnormousPng(const QString& path, int side, const QColor& colour = QColor(200, 40, 40))
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::black);
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line, line + side / 2, colour.rgba());
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(image.save(path, "PNG", 80)) << path.toStdString();
}

} // namespace velmora::test
