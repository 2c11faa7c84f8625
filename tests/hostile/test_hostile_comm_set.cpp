// A port settings file that anyone may have edited, broken or replaced: the program starts every
// time and keeps a sound port number.
#include "FormHarness.h"
#include "HostileSupport.h"
#include "platform/MSComm.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using torven::test::FormHarness;

// Writes `bytes` as the whole file at `path`.
void WriteFile(const QString& path, std::string_view bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
}

TEST(HostileCommSet, EachContentGivesASoundPortNumber) {
    struct Row {
        const char* name;
        std::string content;
        std::int16_t port;
    };
    const Row rows[] = {
        {"Empty", "", 1},
        {"LineEndOnly", "\r\n", 1},
        {"Letters", "COM3\r\n", 1},
        {"TooLarge", "99999\r\n", 1},
        {"BelowTheRange", "-32769\r\n", 1},
        {"LowestInRange", "-32768\r\n", -32768},
        {"HalfRoundsUpToEven", "3.5\r\n", 4},
        {"HalfRoundsDownToEven", "2.5\r\n", 2},
        {"Blanks", " 7 \r\n", 7},
        {"NulBytes", std::string("\0\0\0\r\n", 5), 1},
        {"DigitThenNul", std::string("3\0\r\n", 4), 1},
        {"BinaryJunk", "\xFF\xFE\x01\x7F\x80junk\r\n5\r\n", 1},
        {"NumberOnTheSecondLine", "\r\n6\r\n", 1},
        {"LoneCarriageReturnEndsTheLine", "8\r9\r\n", 8},
    };
    FormHarness h;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFile(h.CommSetPath(), row.content);
        h.Make();
        EXPECT_EQ(h.Form().Comm().CommPort(), row.port);
        EXPECT_FALSE(h.Form().Comm().PortOpen());
    }
}

TEST(HostileCommSet, AHugeLineIsNotReadWhole) {
    FormHarness h;
    {
        // 100 MB with a port number in front and no line end; sparse, so it costs no disk.
        const int fd = open(h.CommSetPath().toLocal8Bit().constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, "7", 1), 1);
        ASSERT_EQ(ftruncate(fd, 100 << 20), 0);
        close(fd);
    }
    torven::test::ResetPeakResident();
    const std::int64_t before = torven::test::ResidentBytes();
    h.Make();
    const std::int64_t grown = torven::test::PeakResidentBytes() - before;
    std::cout << "start with a 100 MB comm.set: peak resident size grew by " << grown / 1024
              << " KiB\n";
    EXPECT_LT(grown, 20 << 20);
    EXPECT_EQ(h.Form().Comm().CommPort(), 1); // too long to be a port number
}

TEST(HostileCommSet, SomethingElseByThatNameCountsAsNoFile) {
    struct Row {
        const char* name;
        std::function<void(const QString&)> make;
    };
    const Row rows[] = {
        {"Folder",
         [](const QString& path) {
             ASSERT_TRUE(QDir().mkpath(path));
         }},
        {"DanglingLink",
         [](const QString& path) {
             ASSERT_EQ(symlink("/nonexistent/comm.set", path.toLocal8Bit().constData()), 0);
         }},
        {"LinkToAFolder",
         [](const QString& path) {
             ASSERT_EQ(symlink("/", path.toLocal8Bit().constData()), 0);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FormHarness h;
        row.make(h.CommSetPath());
        h.Make();
        EXPECT_EQ(h.Form().Comm().CommPort(), 1);
    }
}

TEST(HostileCommSet, AnUnreadableFileKeepsTheStartUpPort) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    FormHarness h;
    WriteFile(h.CommSetPath(), "5\r\n");
    ASSERT_EQ(chmod(h.CommSetPath().toLocal8Bit().constData(), 0), 0);
    h.Make();
    EXPECT_EQ(h.Form().Comm().CommPort(), 1);
}

} // namespace
