#include "LineReader.h"

#include "Reception.h"
#include "RotatorService.h"
#include "SerialLine.h"

namespace torven {

LineReader::LineReader(int offset, QObject* parent)
    : QObject(parent), m_line(new SerialLine(this)), m_reception(new Reception(offset, this)) {
    connect(m_line, &SerialLine::blockReceived, m_reception, &Reception::takeBlock);
    // Before the pause cuts a reading, what the port already holds is read: a busy program must
    // not cut a reading whose rest has arrived.
    m_reception->setCatchUp([line = m_line] { line->takeHeldBytes(); });
    connect(m_line, &SerialLine::lineError, m_reception, &Reception::takeLineError);
    connect(m_line, &SerialLine::deviceLost, this, [this](const QString& reason) {
        forgetTheLine();
        emit deviceLost(reason);
    });
    connect(m_reception, &Reception::readingTaken, this, [this](const DecodedReading& reading) {
        if (m_service)
            m_service->setBearing(reading.liveBearing);
    });
}

void LineReader::serveTo(RotatorService* service) {
    m_service = service;
    if (m_service)
        m_service->setUnavailable();
}

PortResult LineReader::open(const QString& settings) {
    forgetTheLine();
    PortResult result = m_line->setSettings(settings);
    if (result.succeeded())
        result = m_line->openPort();
    if (result.succeeded())
        m_reception->setLineSettings(m_line->lineSettings());
    return result;
}

void LineReader::close() {
    m_line->closePort();
    forgetTheLine();
}

void LineReader::forgetTheLine() {
    m_reception->dropWaitingText();
    // A bearing from before is not live: the first reading since an open serves the next one.
    if (m_service)
        m_service->setUnavailable();
}

} // namespace torven
