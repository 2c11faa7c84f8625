#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace torven {

// "Инфо": names the instrument, its makers, its home page and year; "ОК" closes it.
class AboutWindow : public QWidget {
    Q_OBJECT

public:
    explicit AboutWindow(QWidget* parent = nullptr);

    void accept();

signals:
    // The window closed: it is closed, and its next use loads it afresh.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* m_okButton = nullptr;
    QLabel* m_year = nullptr;
    QLabel* m_makers = nullptr;
    QLabel* m_homePage = nullptr;
    QLabel* m_title = nullptr;
};

} // namespace torven
