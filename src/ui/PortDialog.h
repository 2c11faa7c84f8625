#pragma once

#include "link/PortSettingsFile.h"

#include <QComboBox>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace torven {

class MSComm;

// The port box: an editable list of the port numbers 1 to 9. Each item's tooltip says which
// device that number reaches, looked up each time the list opens.
class PortComboBox : public QComboBox {
    Q_OBJECT

public:
    PortComboBox(const MSComm& comm, QWidget* parent = nullptr);
    void showPopup() override;

private:
    const MSComm& m_comm;
};

// "Параметры СОМ": shows the port in use, lets the user choose another and edit the line
// settings. OK stores and applies the chosen port number; "Отмена" or closing the window drops
// every edit. The window is modeless and is built afresh from its laid-out values on each load.
class frmCommunicate : public QWidget {
    Q_OBJECT

public:
    frmCommunicate(MSComm& comm, PortSettingsFile settingsFile, QWidget* parent = nullptr);

    // The line settings text (Text1), read by the connect command.
    QString LineSettingsText() const;

    void Command1_Click();
    void Command2_Click();

signals:
    // The window closed: it is unloaded, and its next use loads it afresh.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void Warn(const QString& text);

    MSComm& m_comm;
    PortSettingsFile m_settingsFile;

    QLabel* Label1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLabel* Label2 = nullptr;
    PortComboBox* Combo1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};

} // namespace torven
