#pragma once

#include <QMenuBar>

namespace torven {

// A menu bar of a fixed width that keeps all its items on the bar. Qt moves the items that do not
// fit into an overflow button ("»"), where nobody looks for «Выход»; the fonts a system hands out
// differ (another face for the same name, a larger size at a higher scaling), so whenever the
// font changes the bar shrinks it, a pixel at a time, until every item fits.
class FittingMenuBar : public QMenuBar {
    Q_OBJECT

public:
    FittingMenuBar(int width, QWidget* parent = nullptr);

    // Shrinks the font until every item stands on the bar (needed once the items are added).
    void fitItems();

protected:
    void changeEvent(QEvent* event) override;

private:
    bool itemsFit();

    int m_width;
    bool m_fitting = false;
};

} // namespace torven
