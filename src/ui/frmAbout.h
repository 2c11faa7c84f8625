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

private:
    QPushButton* Command1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
};

} // namespace torven
