// The main window's reception path: every notification of the serial port component arrives
// here, and every received block goes to the console, the receive lamp and the bearing display.
#include "platform/MSComm.h"
#include "reception/BearingDecoding.h"
#include "reception/CommEvents.h"
#include "reception/Console.h"
#include "reception/SectorLamps.h"
#include "ui/Form1.h"
#include "ui/Shape.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>

namespace torven {

void Form1::MSComm1_OnComm() {
    const std::int16_t code = MSComm1->CommEvent();
    if (code == comm_event::Receive) {
        const QByteArray input = MSComm1->Input();
        // A notification whose read finds nothing carries no reading: nothing changes.
        if (input.isEmpty())
            return;
        // Each whole reading takes the reception path on its own, in order, so after a burst the
        // display holds the newest; a reading cut by the transport waits for its rest.
        const std::string_view text(input.constData(), static_cast<std::size_t>(input.size()));
        m_framer.take(text, ReadingFramer::Clock::now(),
                      [this](std::string_view block) { ShowReading(block); });
        ScheduleWaitingText();
    } else if (const auto message = LineErrorMessage(code)) {
        if (ErrorCount < std::numeric_limits<std::int32_t>::max())
            ++ErrorCount;
        ShowLineError(ErrorText(ErrorCount, *message));
    }
}

void Form1::ShowReading(std::string_view block) {
    ShowReceived(block);
    shpRXON->raise();
    // A flash lasts one interval from its first block: a block that arrives while the lamp
    // is lit leaves the running count alone, so a steady stream shows as a steady flicker.
    if (!tmrRXLED->isActive())
        tmrRXLED->start();
    ShowDecodedBlock(DecodeBlock(block));
}

void Form1::ShowWaitingTextWhenDue() {
    m_framer.takeDue(ReadingFramer::Clock::now(),
                     [this](std::string_view block) { ShowReading(block); });
    ScheduleWaitingText();
}

void Form1::ScheduleWaitingText() {
    const auto due = m_framer.dueAt();
    if (!due) {
        m_readingPause->stop();
        return;
    }
    // Rounded up, so that the timer never fires before the text is due.
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(*due - ReadingFramer::Clock::now());
    const int waitMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
    // The pause counts from the waiting text's first character: a timer already set for that
    // moment is left alone.
    if (!m_readingPause->isActive() || m_pauseDue != *due) {
        m_pauseDue = *due;
        m_readingPause->start(waitMs);
    }
}

void Form1::DropWaitingText() {
    m_framer.clear();
    m_readingPause->stop();
}

void Form1::ShowReceived(std::string_view block) {
    const ConsoleEdit edit = ConsoleEditFor(block);
    if (edit == ConsoleEdit::None)
        return;
    // The console holds single-byte characters only: what it started with and line breaks.
    std::string text = Text2->text().toLatin1().toStdString();
    if (ApplyConsoleEdit(text, edit, static_cast<std::size_t>(Text2->maxLength())))
        Text2->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void Form1::tmrRXLED_Timer() {
    shpRXOFF->raise();
    tmrRXLED->stop();
}

void Form1::ShowDecodedBlock(const DecodedBlock& decoded) {
    RawReading = decoded.rawReading;
    // The readout takes the raw reading and at once its final text: nothing can paint or be
    // looked at in between, so only the final text is set.
    SetReadout(QString::fromLatin1(decoded.readout.data(),
                                   static_cast<qsizetype>(decoded.readout.size())));
    // A value too large for a bearing lights no lamp; the bearing then counts as none (0).
    BearingDegrees = decoded.bearing.value_or(0);
    static const QColor lit = QColor::fromRgb(kLampLitColour);
    static const QColor dark = QColor::fromRgb(kLampDarkColour);
    // Every lamp takes its colour now; the screen shows them at the coming frame.
    for (std::size_t i = 0; i < m_lamps.size(); ++i)
        m_lamps[i]->storeBackColor(static_cast<int>(i) + 1 == decoded.litLamp ? lit : dark);
    ShowLampsWhenDue();
}

void Form1::SetReadout(const QString& text) {
    // Setting a line edit's text also drops a selection, puts the cursor at the end and forgets
    // edits; only when all of that already holds is setting the same text a no-op.
    const bool settled = Text3->text() == text && !Text3->hasSelectedText() &&
                         Text3->cursorPosition() == text.size() && !Text3->isModified() &&
                         !Text3->isUndoAvailable() && !Text3->isRedoAvailable();
    if (!settled)
        Text3->setText(text);
}

void Form1::ShowLineError(const std::string& text) {
    m_lastErrorText = QString::fromStdString(text);
    ShowStatusReason(m_lastErrorText);
}

} // namespace torven
