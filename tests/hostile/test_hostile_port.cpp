// A port that cannot be had: busy, missing, or not a serial line at all. The connect command then
// shows "Ошибка!" and changes nothing else.
#include "SerialLine.h"
#include "WindowTest.h"

#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QSysInfo>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class HostilePort : public testing::Test {
protected:
    // A reading on show and the port closed again: the state a failed connect must leave alone.
    void SetUp() override {
        m_pty.LinkAs(h.LinkPath(1));
        h.Form().toggleConnection();
        ASSERT_TRUE(h.Form().isPortOpen());
        m_pty.Write("0256\r\n");
        ASSERT_TRUE(WaitUntil([&] { return h.Readout() == " 180"; }));
        h.Form().toggleConnection();
        ASSERT_FALSE(h.Form().isPortOpen());
    }

    // Connects through port `port` and checks that only the status line changed.
    void ExpectConnectFails(std::int16_t port) {
        h.Form().serialLine().setPortNumber(port);
        h.Form().toggleConnection();
        EXPECT_EQ(h.Status(), "Ошибка!");
        EXPECT_FALSE(h.Form().serialLine().isPortOpen());
        EXPECT_FALSE(h.Form().isPortOpen());
        EXPECT_EQ(h.ConnectionLamp(), kRed);
        EXPECT_EQ(h.Form().serialLine().portNumber(), port);
        EXPECT_EQ(h.Readout(), " 180");
        EXPECT_EQ(h.LitLamps(), std::vector<int>{13});
        EXPECT_EQ(h.Form().reception().errorCount(), 0);
        EXPECT_FALSE(QFile::exists(h.CommSetPath()));
    }

    // Links port `port` to `target`.
    void Link(std::int16_t port, const std::string& target) {
        ASSERT_EQ(symlink(target.c_str(), h.LinkPath(port).c_str()), 0);
    }

    WindowHarness h;
    PseudoTerminal m_pty;
};

TEST_F(HostilePort, APortThatCannotBeHadFailsAndChangesNothingElse) {
    PseudoTerminal busy;
    QSerialPort otherProgram; // another program that uses the same line
    otherProgram.setPortName(QString::fromStdString(busy.SlavePath()));
    ASSERT_TRUE(otherProgram.open(QIODevice::ReadOnly));

    const std::string scratch = (h.Folder() + QStringLiteral("/scratch")).toStdString();
    struct Row {
        const char* name;
        std::function<void(std::int16_t)> prepare;
        QString reason; // what the status line's tooltip says of it
    };
    const Row rows[] = {
        {"HeldByAnotherProgram",
         [&](std::int16_t port) {
             Link(port, busy.SlavePath());
             // Anyone may write a lock file: a program name that looks like markup shows as is.
             QFile lock(QStringLiteral("/var/lock/LCK..") +
                        QString::fromStdString(busy.SlavePath()).mid(5).replace('/', '_'));
             ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
             lock.write(QByteArray::number(QCoreApplication::applicationPid()) +
                        "\n<b>Порт свободен</b><img src=x><!--\n" +
                        QSysInfo::machineHostName().toUtf8() + "\n");
         },
         QStringLiteral(", процесс %1). Закройте её, затем снова выберите «Связь».")
             .arg(QCoreApplication::applicationPid())},
        {"NoSuchPort", [](std::int16_t) {}, QStringLiteral("Порт 31: этот номер не ведёт")},
        {"DanglingLink", [&](std::int16_t port) { Link(port, "/nonexistent/ttyUSB0"); },
         QStringLiteral("Порт 32: устройства %1 нет. Подключите адаптер или направьте ссылку com32")
             .arg(QString::fromStdString(h.LinkPath(32)))},
        {"RegularFile",
         [&](std::int16_t port) {
             QFile file(QString::fromStdString(scratch + ".file"));
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("0128\r\n");
             Link(port, scratch + ".file");
         },
         QStringLiteral("не удалось открыть")},
        {"Folder",
         [&](std::int16_t port) {
             ASSERT_TRUE(QDir().mkpath(QString::fromStdString(scratch + ".dir")));
             Link(port, scratch + ".dir");
         },
         QStringLiteral("не удалось открыть")},
        {"CharacterDeviceThatIsNoTerminal", [&](std::int16_t port) { Link(port, "/dev/null"); },
         QStringLiteral("не удалось открыть")},
        {"NamedPipeWithoutWriter",
         [&](std::int16_t port) {
             ASSERT_EQ(mkfifo((scratch + ".fifo").c_str(), 0600), 0);
             Link(port, scratch + ".fifo");
         },
         QStringLiteral("не удалось открыть")},
    };
    std::int16_t port = 30;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.prepare(port);
        ExpectConnectFails(port);
        const auto* label = h.Child<QLabel>(nameOf(names::kStatusLine));
        const QString tip = label->accessibleDescription();
        QTextDocument shown;
        shown.setHtml(label->toolTip());
        EXPECT_EQ(shown.toPlainText().replace(QChar::LineSeparator, QLatin1Char('\n')), tip);
        EXPECT_TRUE(tip.startsWith(QStringLiteral("Порт %1: ").arg(port))) << tip.toStdString();
        EXPECT_TRUE(tip.contains(row.reason)) << tip.toStdString();
        EXPECT_FALSE(tip.contains(QStringLiteral("locking"))) << "Qt's English is no reason";
        ++port;
    }

    // The line that was there all along still connects.
    h.Form().serialLine().setPortNumber(1);
    h.Form().toggleConnection();
    EXPECT_EQ(h.Status(), "");
    EXPECT_TRUE(h.Form().isPortOpen());
}

TEST_F(HostilePort, ALineHeldExclusivelyFails) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root opens a line held exclusively all the same";
    PseudoTerminal held;
    const int fd = open(held.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ioctl(fd, TIOCEXCL), 0);
    Link(2, held.SlavePath());
    ExpectConnectFails(2);
    close(fd);
}

} // namespace

namespace {

TEST(HostileSettings, SettingsRefusedByAnOpenLineLeaveItOpenAndReading) {
    WindowHarness h;
    PseudoTerminal pty; // a pseudo-terminal takes neither parity nor seven data bits
    pty.LinkAs(h.LinkPath(1));
    int lost = 0;
    QObject::connect(&h.Form().serialLine(), &torven::SerialLine::deviceLost, [&] { ++lost; });
    h.Form().toggleConnection();
    ASSERT_TRUE(h.Form().serialLine().isPortOpen());

    const torven::PortResult refused =
        h.Form().serialLine().setSettings(QStringLiteral("9600,e,7,1"));
    ASSERT_FALSE(refused.succeeded());
    EXPECT_EQ(refused.fault().kind, torven::PortFault::Kind::SettingsRefused);
    EXPECT_EQ(h.Form().serialLine().settings(), "19200,n,8,1");
    EXPECT_TRUE(h.Form().serialLine().isPortOpen());
    EXPECT_EQ(lost, 0);
    pty.Write("0128");
    EXPECT_TRUE(WaitUntil([&] { return h.Readout() == " 90"; }));
    EXPECT_TRUE(h.Form().isPortOpen());
}

} // namespace
