// The main window's connect command and what it shows of the connection.
#include "Connection.h"
#include "MainWindow.h"
#include "PortDialog.h"
#include "PortFault.h"
#include "RotatorService.h"
#include "SerialLine.h"
#include "TargetMark.h"

#include <QLabel>

namespace torven {

void MainWindow::toggleConnection() {
    // Text that waited for the rest of its reading belongs to the line as it was.
    dropWaitingText();
    PortResult result;
    if (!m_portOpen) {
        // Reading the dialog's settings loads it, hidden, when it is not loaded yet.
        result = m_serialLine->setSettings(portDialog().lineSettingsText());
        if (result.succeeded())
            result = m_serialLine->openPort();
        // Readings wait for their rest as long as the line, as opened, takes to carry them.
        if (result.succeeded())
            m_framer.setLineSettings(m_serialLine->lineSettings());
    } else {
        m_serialLine->closePort();
    }
    const bool succeeded = result.succeeded();
    applyConnectionUpdate(afterConnectCommand(m_portOpen, succeeded));
    m_distrustNotice = m_settingsFile.distrustNotice();
    // The status line's tooltip says why a command failed, and otherwise keeps the latest line
    // error; either way it goes on saying which files of other users are not used.
    showStatusReason(succeeded ? m_lastErrorText
                               : QString::fromStdString(portFaultText(result.fault())));
}

void MainWindow::onDeviceLost(const QString& reason) {
    dropWaitingText();
    applyConnectionUpdate(afterDeviceLost(m_portOpen));
    PortFault fault{PortFault::Kind::Vanished, m_serialLine->portNumber()};
    fault.device = m_serialLine->device().toStdString();
    fault.systemWords = reason.toStdString();
    showStatusReason(QString::fromStdString(portFaultText(fault)));
}

void MainWindow::showStatusReason(const QString& reason) {
    m_statusReason = reason;
    const QString tip = withDistrustNotice(reason);
    m_statusLine->setToolTip(tip);
    m_statusLine->setAccessibleDescription(tip);
}

void MainWindow::applyConnectionUpdate(const ConnectionUpdate& update) {
    m_portOpen = update.portOpen;
    // Whatever the line did, a bearing from before it is not live: the first reading since an
    // open shares the next one.
    if (m_service)
        m_service->setUnavailable();
    if (update.lampColour) {
        QPalette lamp = m_connectionLamp->palette();
        lamp.setColor(QPalette::Window, QColor::fromRgb(*update.lampColour));
        m_connectionLamp->setPalette(lamp);
    }
    if (update.status)
        m_targetMark->showStatus(QString::fromUtf8(update.status->data(),
                                                   static_cast<qsizetype>(update.status->size())));
}

} // namespace torven
