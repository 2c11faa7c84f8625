#pragma once

#include "SectorLamps.h"
#include "Target.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

namespace torven {

class Lamp;

// The target a rotctld client sent, on the main window: a ring on the lamp whose sector holds
// it, and the words the status line shows of it ("→ 245°" and a line for its tooltip). The
// operator dismisses it with a click on the marked lamp, or on the status line while that shows
// the target. Nothing here runs while nothing changes.
class TargetMark : public QObject {
    Q_OBJECT

public:
    explicit TargetMark(const std::array<Lamp*, kLampCount>& lamps, QObject* parent = nullptr);

    // The status line's text for the shown target ("→ 245°"); empty while none is shown.
    QString statusText() const;
    // What the status line's tooltip says of the shown target; empty while none is shown.
    QString toolTipLine() const;
    // The shown target in whole degrees; empty while there is none or it was dismissed.
    std::optional<int> shownDegrees() const { return m_display.shown(); }

public slots:
    void setTarget(double azimuth);
    void clearTarget();
    void dismiss();
    // The status line was clicked: a click on the target's words dismisses it.
    void takeStatusLineClick(bool onTarget);

signals:
    // The shown target changed (or went): its words with it.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows what m_display holds; emits changed() when that differs from before.
    void show(std::optional<int> before);

    TargetDisplay m_display;
    std::array<Lamp*, kLampCount> m_lamps;
};

} // namespace torven
