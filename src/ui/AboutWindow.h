#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace torven {

// "Инфо": names the instrument, its makers, its home page and year; "ОК" closes it.
class frmAbout : public QWidget {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    void Command1_Click();

signals:
    // The window closed: it is unloaded, and its next use loads it afresh.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* Command1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
};

} // namespace torven
