// The main window's connect command and what it shows of the connection.
#include "link/Connection.h"
#include "link/PortFault.h"
#include "link/frmCommunicate.h"
#include "platform/CommError.h"
#include "platform/MSComm.h"
#include "ui/Form1.h"

#include <QLabel>

namespace torven {

void Form1::mnuConnect_Click() {
    // Text that waited for the rest of its reading belongs to the line as it was.
    DropWaitingText();
    bool succeeded = true;
    PortFault fault;
    try {
        if (PortActionFor(PortOpenFlag) == PortAction::Open) {
            // Reading the dialog's settings loads it, hidden, when it is not loaded yet.
            MSComm1->setSettings(Communicate().LineSettingsText());
            MSComm1->setPortOpen(true);
        } else {
            MSComm1->setPortOpen(false);
        }
    } catch (const CommError& error) {
        succeeded = false;
        fault = error.Fault();
        fault.port = MSComm1->CommPort();
    }
    ApplyConnectionUpdate(AfterConnectCommand(PortOpenFlag, succeeded));
    m_distrustNotice = m_settingsFile.DistrustNotice();
    // The status line's tooltip says why a command failed, and otherwise keeps the latest line
    // error; either way it goes on saying which files of other users are not used.
    ShowStatusReason(succeeded ? m_lastErrorText : QString::fromStdString(PortFaultText(fault)));
}

void Form1::MSComm1_DeviceLost(const QString& reason) {
    DropWaitingText();
    ApplyConnectionUpdate(AfterDeviceLost(PortOpenFlag));
    PortFault fault{PortFault::Kind::Vanished, MSComm1->CommPort()};
    fault.device = MSComm1->Device().toStdString();
    fault.systemWords = reason.toStdString();
    ShowStatusReason(QString::fromStdString(PortFaultText(fault)));
}

void Form1::ShowStatusReason(const QString& reason) {
    const QString tip = WithDistrustNotice(reason);
    Label7->setToolTip(tip);
    Label7->setAccessibleDescription(tip);
}

void Form1::ApplyConnectionUpdate(const ConnectionUpdate& update) {
    PortOpenFlag = update.portOpenFlag;
    if (update.lampColour) {
        QPalette lamp = Label4->palette();
        lamp.setColor(QPalette::Window, QColor::fromRgb(*update.lampColour));
        Label4->setPalette(lamp);
    }
    if (update.status)
        Label7->setText(QString::fromUtf8(update.status->data(),
                                          static_cast<qsizetype>(update.status->size())));
}

} // namespace torven
