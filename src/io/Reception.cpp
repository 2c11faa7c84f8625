#include "Reception.h"

#include "Logging.h"
#include "Utf8.h"

#include <QByteArray>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>

namespace torven {

Reception::Reception(int offset, QObject* parent)
    : QObject(parent), m_offset(offset), m_pause(new QTimer(this)) {
    m_pause->setObjectName(QString::fromLatin1(kPauseTimerName));
    m_pause->setSingleShot(true);
    m_pause->setTimerType(Qt::PreciseTimer);
    connect(m_pause, &QTimer::timeout, this, &Reception::takeWaitingTextWhenDue);
}

void Reception::takeBlock(const QByteArray& block) {
    // Each whole reading is taken on its own, in order, so after a burst the display holds the
    // newest; a reading cut by the transport waits for its rest.
    const std::string_view text(block.constData(), static_cast<std::size_t>(block.size()));
    m_framer.take(text, ReadingFramer::Clock::now(),
                  [this](std::string_view reading) { takeReading(reading); });
    scheduleWaitingText();
}

void Reception::takeLineError(LineEvent code) {
    const auto message = lineErrorMessage(code);
    if (!message)
        return;
    if (m_errorCount < std::numeric_limits<std::int32_t>::max())
        ++m_errorCount;
    m_lastErrorText = toQString(errorText(m_errorCount, *message));
    emit lineErrorCounted(m_lastErrorText);
}

void Reception::dropWaitingText() {
    m_framer.clear();
    m_pause->stop();
}

void Reception::takeReading(std::string_view reading) {
    // The console's text is kept here; whoever shows it may catch up later, once for a run of
    // changes, so that a flood of line ends costs no more than the edits themselves.
    if (m_console.take(reading))
        emit consoleChanged();
    m_latest = decodeReading(reading, m_offset);
    qCDebug(lcReception).nospace()
        << "reading " << QByteArray(reading.data(), static_cast<qsizetype>(reading.size()))
        << ": bearing "
        << qUtf8Printable(m_latest.liveBearing ? QString::number(*m_latest.liveBearing)
                                               : QStringLiteral("none"));
    emit readingTaken(m_latest);
}

void Reception::takeWaitingTextWhenDue() {
    // What arrived meanwhile is framed first: it may complete the waiting reading, and only what
    // is still missing then counts as late.
    if (m_catchUp)
        m_catchUp();
    m_framer.takeDue(ReadingFramer::Clock::now(),
                     [this](std::string_view reading) { takeReading(reading); });
    scheduleWaitingText();
}

void Reception::scheduleWaitingText() {
    const auto due = m_framer.dueAt();
    if (!due) {
        m_pause->stop();
        return;
    }
    // Rounded up, so that the timer never fires before the text is due.
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(*due - ReadingFramer::Clock::now());
    const int waitMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
    // The pause counts from the waiting text's first character: a timer already set for that
    // moment is left alone.
    if (!m_pause->isActive() || m_pauseDue != *due) {
        m_pauseDue = *due;
        m_pause->start(waitMs);
    }
}

} // namespace torven
