#pragma once

#include <QLineEdit>
#include <QTimer>

namespace torven {

class Console;

// The hidden text box Text2 that shows the received-text console. Setting a line edit's text lays
// all of it out (some 10 ms for a full console on a slow machine), and nobody sees this box: it
// catches up with the console at most once a second, a second after the change that began a run
// of changes.
class ConsoleBox : public QLineEdit {
    Q_OBJECT

public:
    ConsoleBox(const Console& console, QWidget* parent);

    // The console changed: the box catches up within a second.
    void catchUpSoon();

private:
    void catchUp();

    const Console& m_console;
    QTimer m_catchUp; // runs while the box lags behind the console
};

} // namespace torven
