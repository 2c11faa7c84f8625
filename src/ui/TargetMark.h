#pragma once

#include "SectorLamps.h"
#include "Target.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

class QLabel;

namespace torven {

class Lamp;

// The target a rotctld client sent, on the main window: a ring on the lamp whose sector holds
// it, its degrees ("→ 245°") in the status line while the window has nothing else to say there,
// and a line for the status line's tooltip. The operator dismisses it with a click on the status
// line while it shows the target, or on the marked lamp. Nothing here runs while nothing changes.
class TargetMark : public QObject {
    Q_OBJECT

public:
    TargetMark(const std::array<Lamp*, kLampCount>& lamps, QLabel* statusLine,
               QObject* parent = nullptr);

    // Shows the window's own status text ("Ошибка!", or empty after a connect): as it is, or,
    // when empty, the target's text.
    void showStatus(const QString& text);
    // What the status line's tooltip says of the shown target; empty while none is shown.
    QString toolTipLine() const;
    // The shown target in whole degrees; empty while there is none or it was dismissed.
    std::optional<int> shownDegrees() const { return m_display.shown(); }

public slots:
    void setTarget(double azimuth);
    void clearTarget();
    void dismiss();

signals:
    // The shown target changed (or went): the tooltip's line with it.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows what m_display holds; emits changed() when that differs from before.
    void show(std::optional<int> before);

    TargetDisplay m_display;
    std::array<Lamp*, kLampCount> m_lamps;
    QLabel* m_statusLine;
    QString m_statusText; // the window's own text for the status line
};

} // namespace torven
