#pragma once

#include "PortSettingsFile.h"

#include <QComboBox>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace torven {

class SerialLine;

// The port box: an editable list of the port numbers 1 to 9. Each item's tooltip says which
// device that number reaches, looked up each time the list opens (the system's ports listed once
// for all nine).
class PortComboBox : public QComboBox {
    Q_OBJECT

public:
    PortComboBox(const SerialLine& line, QWidget* parent = nullptr);
    void showPopup() override;

private:
    const SerialLine& m_line;
};

// "Параметры СОМ": shows the port in use, lets the user choose another and edit the line
// settings. OK stores and applies the chosen port number; "Отмена" or closing the window drops
// every edit. The window is modeless and is built afresh from its laid-out values on each load.
class PortDialog : public QWidget {
    Q_OBJECT

public:
    // Where OK keeps the chosen port: in comm.set for the next start too, or for this run only
    // (the port was given on the command line, so comm.set is left alone).
    enum class Storage { CommSet, ThisRunOnly };

    // `rotatorName`, when not empty, follows the caption: "Параметры СОМ — NAME".
    PortDialog(SerialLine& line, PortSettingsFile settingsFile, Storage storage = Storage::CommSet,
               const QString& rotatorName = {}, QWidget* parent = nullptr);

    // The line settings text (m_lineSettings), read by the connect command.
    QString lineSettingsText() const;

    void accept();
    void cancel();

signals:
    // The window closed: it is closed, and its next use loads it afresh.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showPortInUse();
    void warn(const QString& text);

    SerialLine& m_line;
    PortSettingsFile m_settingsFile;
    Storage m_storage;

    QLabel* m_portInUseLabel = nullptr;
    QLineEdit* m_portInUse = nullptr;
    QLabel* m_portChoiceLabel = nullptr;
    PortComboBox* m_portChoice = nullptr;
    QLabel* m_lineSettingsLabel = nullptr;
    QLineEdit* m_lineSettings = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QLabel* m_thisRunNote = nullptr; // says that OK does not write comm.set
};

} // namespace torven
