#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QEvent;
class QWidget;

namespace torven {

// Paces a window's painting to its screen's frames. Changes can come far more often than a screen
// shows frames, and painting costs far more than storing a change: a paint request within one
// frame of the latest paint waits for that frame, and everything that changed meanwhile is painted
// together then, as it stands then. A change after a quiet spell is painted at once.
class FramePacer : public QObject {
    Q_OBJECT

public:
    // `takeChanges` puts everything stored since the latest frame in place, just before the
    // waiting frame paints.
    FramePacer(QWidget* window, std::function<void()> takeChanges);

    // For the window's event(): whether `event` is a paint request held back for the coming
    // frame, which the window then drops.
    bool holdsBack(const QEvent* event);
    // Whether a frame is due, its paint waiting for it.
    bool frameWaits() const { return m_frame.isActive(); }
    // Waits for the coming frame when painting now would come within a frame of the latest
    // paint; false when painting may happen now.
    bool waitForFrame();

private:
    int timeToNextFrame() const; // milliseconds until the next paint may happen; 0: now
    void paintFrame();

    QWidget* m_window;
    std::function<void()> m_takeChanges;
    QTimer m_frame;             // runs while a paint waits for its frame
    QElapsedTimer m_sinceFrame; // since the latest paint
    bool m_painting = false;    // the waiting frame's own paint request is passing
};

} // namespace torven
