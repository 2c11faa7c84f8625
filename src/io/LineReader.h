#pragma once

#include "PortFault.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace torven {

class Reception;
class RotatorService;
class SerialLine;

// A serial line read without a window: its blocks framed into readings and its line errors
// counted (Reception), and, when a rotctld service is given, each reading's live bearing served,
// and no position while the line is closed or lost or has brought no reading since it opened.
// Text waiting for the rest of its reading is dropped whenever the line opens, closes or is
// lost: it belongs to the line as it was.
class LineReader : public QObject {
    Q_OBJECT

public:
    // `offset`: degrees added to each live bearing (-359 to 359).
    explicit LineReader(int offset = 0, QObject* parent = nullptr);

    SerialLine& serialLine() { return *m_line; }
    const SerialLine& serialLine() const { return *m_line; }
    Reception& reception() { return *m_reception; }

    // The service that serves the bearing from now on (none when null). It has no position until
    // the next reading.
    void serveTo(RotatorService* service);

    // Opens the line with the settings text `settings` ("19200,n,8,1"); readings then wait for
    // their rest as long as the line, so opened, takes to carry them.
    PortResult open(const QString& settings);
    void close();

signals:
    // The open line's device went away or failed, and the line is closed; `reason` is the
    // system's words.
    void deviceLost(const QString& reason);

private:
    void forgetTheLine();

    SerialLine* m_line;
    Reception* m_reception;
    QPointer<RotatorService> m_service;
};

} // namespace torven
