// The main window's reception path: every block and line error of the serial line arrives here,
// and every received reading goes to the console, the receive lamp and the bearing display.
#include "BearingDecoding.h"
#include "BearingOffset.h"
#include "CommEvents.h"
#include "Console.h"
#include "Lamp.h"
#include "Logging.h"
#include "MainWindow.h"
#include "RotatorService.h"
#include "SectorLamps.h"
#include "SerialLine.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>

namespace torven {

void MainWindow::onBlockReceived(const QByteArray& block) {
    // Each whole reading takes the reception path on its own, in order, so after a burst the
    // display holds the newest; a reading cut by the transport waits for its rest.
    const std::string_view text(block.constData(), static_cast<std::size_t>(block.size()));
    m_framer.take(text, ReadingFramer::Clock::now(),
                  [this](std::string_view reading) { showReading(reading); });
    scheduleWaitingText();
}

void MainWindow::onLineError(CommEvent code) {
    if (const auto message = lineErrorMessage(code)) {
        if (m_errorCount < std::numeric_limits<std::int32_t>::max())
            ++m_errorCount;
        showLineError(errorText(m_errorCount, *message));
    }
}

void MainWindow::showReading(std::string_view block) {
    qCDebug(lcReception) << "reading"
                         << QByteArray(block.data(), static_cast<qsizetype>(block.size()));
    updateConsole(block);
    m_receiveLampOn->raise();
    // A flash lasts one interval from its first block: a block that arrives while the lamp
    // is lit leaves the running count alone, so a steady stream shows as a steady flicker.
    if (!m_receiveLampTimer->isActive())
        m_receiveLampTimer->start();
    showDecodedBlock(decodeBlock(block));
}

void MainWindow::showWaitingTextWhenDue() {
    m_framer.takeDue(ReadingFramer::Clock::now(),
                     [this](std::string_view block) { showReading(block); });
    scheduleWaitingText();
}

void MainWindow::scheduleWaitingText() {
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

void MainWindow::dropWaitingText() {
    m_framer.clear();
    m_readingPause->stop();
}

void MainWindow::updateConsole(std::string_view reading) {
    // The console's text is kept here; its box is written later, once for a run of changes, so
    // that a flood of line ends costs no more than the edits themselves.
    if (m_console.take(reading) && !m_consoleBoxWrite->isActive())
        m_consoleBoxWrite->start();
}

void MainWindow::writeConsoleBox() {
    // The console holds single-byte characters only: what it started with and line breaks.
    const std::string& text = m_console.text();
    m_consoleBox->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void MainWindow::darkenReceiveLamp() {
    m_receiveLampOff->raise();
    m_receiveLampTimer->stop();
}

void MainWindow::shareBearingWith(RotatorService* service) {
    m_service = service;
    if (m_service)
        m_service->setUnavailable();
}

void MainWindow::showDecodedBlock(DecodedBlock decoded) {
    // The calibration offset turns a bearing into the true one before anything shows it; junk is
    // left as decoded, so that it never becomes a plausible bearing.
    if (const auto shifted = offsetBearing(decoded, m_options.offset)) {
        decoded.bearing = shifted;
        decoded.readout = readoutText(*shifted);
        decoded.litLamp = litLampFor(*shifted);
    }
    // A client gets what the window shows, but only for a reading that holds a bearing: junk is
    // no position at all, not north.
    if (m_service) {
        const bool live = decoded.bearing && decoded.hasNumber;
        m_service->setPosition(live ? std::optional<int>(*decoded.bearing) : std::nullopt);
    }
    m_rawReading = decoded.rawReading;
    // Laying out the readout's text costs far more than taking a reading: like the lamps, the
    // readout shows the newest reading at once after a quiet spell, and at the coming frame when
    // readings come faster than frames.
    m_readoutText =
        QString::fromLatin1(decoded.readout.data(), static_cast<qsizetype>(decoded.readout.size()));
    m_readoutWaits = true;
    // A value too large for a bearing lights no lamp; the bearing then counts as none (0).
    m_bearing = decoded.bearing.value_or(0);
    static const QColor lit = QColor::fromRgb(kLampLitColour);
    static const QColor dark = QColor::fromRgb(kLampDarkColour);
    // Every lamp takes its colour now; the screen shows them with the readout.
    for (std::size_t i = 0; i < m_lamps.size(); ++i)
        m_lamps[i]->storeBackColor(static_cast<int>(i) + 1 == decoded.litLamp ? lit : dark);
    showReadingWhenDue();
}

void MainWindow::setReadout(const QString& text) {
    // Setting a line edit's text also drops a selection, puts the cursor at the end and forgets
    // edits; only when all of that already holds is setting the same text a no-op.
    const bool settled = m_readout->text() == text && !m_readout->hasSelectedText() &&
                         m_readout->cursorPosition() == text.size() && !m_readout->isModified() &&
                         !m_readout->isUndoAvailable() && !m_readout->isRedoAvailable();
    if (!settled)
        m_readout->setText(text);
}

void MainWindow::showLineError(const std::string& text) {
    m_lastErrorText = QString::fromStdString(text);
    showStatusReason(m_lastErrorText);
}

} // namespace torven
