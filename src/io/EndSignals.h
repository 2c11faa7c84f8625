#pragma once

#include <QObject>

class QSocketNotifier;

namespace torven {

// The signals that ask a program to end (SIGTERM, SIGINT, and SIGHUP when the user logs out),
// delivered as a Qt signal on the thread that created this object, from its event loop. The
// handler itself only writes the signal's number to a pipe; everything else happens here, where
// any code may run. While the object lives it owns those signals; a signal the program was
// started with ignored (nohup) stays ignored. Windows has no such signals: there the object
// does nothing.
class EndSignals : public QObject {
    Q_OBJECT

public:
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;

signals:
    void arrived(int signal);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace torven
