#pragma once

#include "BearingDecoding.h"
#include "Console.h"
#include "LineEvents.h"
#include "LineSettings.h"
#include "ReadingFramer.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

class QByteArray;
class QTimer;

namespace torven {

// The reception of the open line, with no window: blocks as the port hands them over are framed
// into readings (a reading cut by the transport waits for its rest, at most a pause of the line),
// each reading edits the console and is decoded into what the display shows, and line errors are
// counted and worded.
class Reception : public QObject {
    Q_OBJECT

public:
    // The object name of the timer that runs while received text waits for the rest of its
    // reading.
    static constexpr char kPauseTimerName[] = "readingPause";

    // `offset`: degrees added to each live bearing (-359 to 359).
    explicit Reception(int offset = 0, QObject* parent = nullptr);

    // Takes a block from the port; whole readings in it are taken at once, in order.
    void takeBlock(const QByteArray& block);
    // Counts a line error the user is told of, and words it with the count so far.
    void takeLineError(LineEvent code);
    // Readings wait for their rest as long as the line, as opened, takes to carry them.
    void setLineSettings(const LineSettings& settings) { m_framer.setLineSettings(settings); }
    // Forgets text that waits for the rest of its reading: it belongs to the line as it was.
    void dropWaitingText();
    // Called when the pause of waiting text runs out, before the text is taken as it stands: it
    // hands over through takeBlock, at once, whatever the line already holds unannounced. A busy
    // program may serve the pause before the line's notice of bytes that came in time, and a
    // reading must not be cut while its rest already waits in the port.
    void setCatchUp(std::function<void()> catchUp) { m_catchUp = std::move(catchUp); }

    const Console& console() const { return m_console; }
    // The newest reading, decoded and the offset applied: what the display shows and the service
    // shares.
    const DecodedReading& latest() const { return m_latest; }
    std::int32_t errorCount() const { return m_errorCount; }
    // The latest line error, with the count so far; empty before the first.
    const QString& lastErrorText() const { return m_lastErrorText; }

signals:
    // A reading was taken; `reading` is latest().
    void readingTaken(const torven::DecodedReading& reading);
    // A reading changed the console's text.
    void consoleChanged();
    // A line error was counted; `text` is lastErrorText().
    void lineErrorCounted(const QString& text);

private:
    void takeReading(std::string_view reading);
    void takeWaitingTextWhenDue();
    void scheduleWaitingText();

    int m_offset = 0;
    ReadingFramer m_framer;
    QTimer* m_pause = nullptr; // runs while received text waits for the rest of its reading
    ReadingFramer::Clock::time_point m_pauseDue{};
    std::function<void()> m_catchUp;
    Console m_console;
    DecodedReading m_latest;
    std::int32_t m_errorCount = 0;
    QString m_lastErrorText;
};

} // namespace torven
