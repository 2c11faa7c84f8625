#include "Lamp.h"
#include "MainWindow.h"
#include "PortSettingsFile.h"
#include "Rows.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using torven::MainWindow;
using torven::PortSettingsFile;

class MainWindowLayout : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_form =
            std::make_unique<MainWindow>(PortSettingsFile(m_dir.path(), m_dir.path() + "/user"));
        m_form->setAttribute(Qt::WA_DeleteOnClose, false);
        m_form->show();
    }

    template <class T> T* child(const char* name) {
        auto* found = m_form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_form;
};

TEST_F(MainWindowLayout, ClientAreaIsTheFixedLayoutSize) {
    EXPECT_EQ(m_form->centralWidget()->size(), QSize(186, 162));
    EXPECT_EQ(m_form->windowTitle(), "TORVEN");
}

TEST_F(MainWindowLayout, ElementsStandWhereTheLayoutPutsThem) {
    struct Row {
        const char* name;
        QRect pixels;
    };
    // Twips divided by 15, halves rounded up.
    const Row rows[] = {
        {"Text3", {56, 64, 73, 34}},     {"Shape1", {79, 22, 25, 17}},
        {"Shape2", {99, 34, 17, 9}},     {"Shape7", {139, 74, 25, 17}},
        {"Shape13", {79, 125, 25, 17}},  {"Shape19", {20, 74, 25, 17}},
        {"Shape24", {67, 34, 17, 9}},    {"Label4", {0, 152, 17, 9}},
        {"shpRXOFF", {168, 152, 17, 9}}, {"shpRXON", {168, 152, 17, 9}},
        {"Label7", {123, 5, 57, 13}},    {"Label1", {83, 2, 17, 25}},
        {"Label5", {83, 138, 17, 25}},   {"Label6", {10, 69, 17, 25}},
        {"Label8", {161, 71, 17, 25}},   {"Text2", {8, 8, 49, 25}},
    };
    for (const auto& row : rows) {
        auto* w = child<QWidget>(row.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), row.pixels) << row.name;
    }
}

TEST_F(MainWindowLayout, StartsWithTwentyFourDarkLampsAndTheLaidOutTexts) {
    for (int k = 1; k <= 24; ++k) {
        auto* lamp = child<torven::Lamp>(QStringLiteral("Shape%1").arg(k).toLatin1().constData());
        ASSERT_NE(lamp, nullptr);
        EXPECT_EQ(lamp->backColor(), QColor(0x00, 0xFF, 0xFF)) << k;
    }
    EXPECT_EQ(child<QLineEdit>("Text3")->text(), "000");
    EXPECT_EQ(child<QLineEdit>("Text3")->palette().color(QPalette::Text), QColor(0, 0, 0xFF));
    EXPECT_TRUE(child<QLineEdit>("Text3")->font().bold());
    EXPECT_EQ(child<QLineEdit>("Text2")->text(), "Text2");
    EXPECT_EQ(child<QLabel>("Label7")->text(), "");
    EXPECT_EQ(child<QLabel>("Label1")->text(), QString(QChar(0x43))); // Latin C
    EXPECT_EQ(child<QLabel>("Label5")->text(), "Ю");
    EXPECT_EQ(child<QLabel>("Label6")->text(), "З");
    EXPECT_EQ(child<QLabel>("Label8")->text(), "В");
    EXPECT_EQ(child<QLabel>("Label8")->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(child<torven::Lamp>("shpRXON")->backColor(), QColor(0x80, 0xFF, 0x80));
}

TEST_F(MainWindowLayout, HiddenElementsNeverShowAndTheReadoutIsTheOnlyFocusableOne) {
    EXPECT_FALSE(child<QLineEdit>("Text2")->isVisible());
    for (QWidget* w : m_form->centralWidget()->findChildren<QWidget*>()) {
        if (w->isVisible() && w->focusPolicy() != Qt::NoFocus) {
            EXPECT_EQ(w->objectName(), "Text3");
        }
    }
}

TEST_F(MainWindowLayout, ConnectionLampAndReceiveLampBlendIntoTheBackground) {
    const QColor face = m_form->palette().color(QPalette::Window);
    EXPECT_EQ(child<QLabel>("Label4")->palette().color(QPalette::Window), face);
    EXPECT_EQ(child<torven::Lamp>("shpRXOFF")->backColor(), face);
}

// The bar's font as laid out, and as Windows' own menu font would make it: Segoe UI 9 pt, which is
// 12 px at 96 dpi, 15 px at 125 % and 18 px at 150 % where a program's pixels are not scaled with
// it. DejaVu Sans stands in for Segoe UI: it is the wider face letter for letter, so what fits in
// it fits in Segoe UI. An item that does not fit goes into Qt's overflow button, out of sight.
struct MenuFontRow {
    const char* name;
    int pixels; // 0: the font as laid out
};
using torven::test::PrintTo;

class MenuBarFit : public MainWindowLayout, public testing::WithParamInterface<MenuFontRow> {};

TEST_P(MenuBarFit, AllFourMenuItemsStandOnTheBar) {
    QMenuBar* bar = m_form->menuBar();
    if (GetParam().pixels > 0) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(GetParam().pixels);
        bar->setFont(font);
    }
    const QStringList expected = {"Связь", "Настр.", "Инфо", "Выход"};
    const auto actions = bar->actions();
    ASSERT_EQ(actions.size(), expected.size());
    QCoreApplication::sendPostedEvents(); // the layout the font change asked for
    EXPECT_EQ(m_form->width(), 186);
    EXPECT_EQ(bar->width(), 186);
    for (int i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->text(), expected[i]);
        const QRect place = bar->actionGeometry(actions[i]);
        EXPECT_FALSE(place.isEmpty()) << expected[i].toStdString();
        EXPECT_LT(place.right(), bar->width()) << expected[i].toStdString();
    }
    auto* overflow = bar->findChild<QWidget*>(QStringLiteral("qt_menubar_ext_button"));
    EXPECT_TRUE(overflow == nullptr || !overflow->isVisible()) << "the overflow button shows";
    const auto submenu = actions[1]->menu()->actions();
    ASSERT_EQ(submenu.size(), 1);
    EXPECT_EQ(submenu[0]->text(), "Коммуникация");
}

INSTANTIATE_TEST_SUITE_P(Fonts, MenuBarFit,
                         testing::Values(MenuFontRow{"AsLaidOut", 0},
                                         MenuFontRow{"SegoeUi9ptAt100Percent", 12},
                                         MenuFontRow{"SegoeUi9ptAt125Percent", 15},
                                         MenuFontRow{"SegoeUi9ptAt150Percent", 18}),
                         torven::test::RowName());

} // namespace
