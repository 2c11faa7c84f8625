#include "FramePacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace torven {

FramePacer::FramePacer(QWidget* window, std::function<void()> takeChanges)
    : QObject(window), m_window(window), m_takeChanges(std::move(takeChanges)) {
    m_frame.setSingleShot(true);
    connect(&m_frame, &QTimer::timeout, this, &FramePacer::paintFrame);
}

bool FramePacer::holdsBack(const QEvent* event) {
    if (event->type() != QEvent::UpdateRequest || m_painting)
        return false;
    if (m_frame.isActive())
        return true; // the coming frame paints this as well
    if (waitForFrame())
        return true;
    m_sinceFrame.start();
    return false;
}

bool FramePacer::waitForFrame() {
    const int wait = timeToNextFrame();
    if (wait <= 0)
        return false;
    m_frame.start(wait);
    return true;
}

int FramePacer::timeToNextFrame() const {
    if (!m_sinceFrame.isValid())
        return 0;
    constexpr qreal kDefaultRate = 60; // frames per second, when the screen does not say
    const QScreen* s = m_window->screen();
    const qreal rate = s && s->refreshRate() >= 1 ? s->refreshRate() : kDefaultRate;
    // The interval rounded down: never slower than the screen.
    const qint64 left = static_cast<qint64>(1000 / rate) - m_sinceFrame.elapsed();
    return left > 0 ? static_cast<int>(left) : 0;
}

void FramePacer::paintFrame() {
    // Only what differs from what shows now repaints: a lamp that went on and off again since the
    // last frame costs nothing.
    m_takeChanges();
    m_sinceFrame.start();
    m_painting = true;
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(m_window, &request);
    m_painting = false;
}

} // namespace torven
