// The log's switch and, where a windowed program has no terminal, its file.
#include "Logging.h"
#include "Wait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace torven {
namespace {

const QLoggingCategory& (*const kCategories[])() = {lcSerial, lcReception, lcSettings, lcRotctld,
                                                    lcApp};

class Logging : public testing::Test {
protected:
    // The rules are the process's: the next test starts from Qt's own again.
    void TearDown() override {
        QLoggingCategory::setFilterRules(QString());
        stopLogFile();
        qInstallMessageHandler(nullptr);
    }
};

TEST_F(Logging, OffUntilDebugTurnsEveryCategoryOn) {
    for (const auto category : kCategories) {
        SCOPED_TRACE(category().categoryName());
        EXPECT_FALSE(category().isDebugEnabled());
        EXPECT_TRUE(category().isWarningEnabled());
    }
    enableDebugLog();
    for (const auto category : kCategories) {
        SCOPED_TRACE(category().categoryName());
        EXPECT_TRUE(category().isDebugEnabled());
    }
    // Qt's categories stay as they were.
    EXPECT_FALSE(QLoggingCategory("qt.core").isDebugEnabled());
}

TEST_F(Logging, TheFileGetsALineAMessageWithItsCategoryAndKeepsEarlierRuns) {
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("torven/torven.log"));
    {
        QDir().mkpath(dir.filePath(QStringLiteral("torven")));
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier run\n");
    }
    ASSERT_EQ(sendLogToFile(path), std::nullopt);
    enableDebugLog();
    qCDebug(lcSerial) << "port 1 opened";
    qCDebug(lcRotctld) << "client left";

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 4) << file.fileName().toStdString(); // the last one is empty
    EXPECT_EQ(lines[0], "an earlier run");
    EXPECT_TRUE(lines[1].endsWith(" debug torven.serial: port 1 opened")) << lines[1].data();
    EXPECT_TRUE(lines[2].endsWith(" debug torven.rotctld: client left")) << lines[2].data();
    // The time comes first: yyyy-MM-dd hh:mm:ss.zzz.
    EXPECT_EQ(lines[1].indexOf(" debug"), 23) << lines[1].data();
}

TEST_F(Logging, AFileThatCannotBeOpenedSaysWhyAndLeavesTheLogWhereItWas) {
    const QTemporaryDir dir;
    // A file stands where the folder should be.
    const QString blocker = dir.filePath(QStringLiteral("torven"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QtMessageHandler where = [](QtMsgType, const QMessageLogContext&, const QString&) {
    };
    qInstallMessageHandler(where);
    const auto failure = sendLogToFile(blocker + QStringLiteral("/torven.log"));
    ASSERT_NE(failure, std::nullopt);
    EXPECT_FALSE(failure->isEmpty());
    EXPECT_EQ(qInstallMessageHandler(nullptr), where) << "the log was sent elsewhere all the same";
}

QStringList passedOn; // what the log handed on, each line after its category

TEST_F(Logging, AFloodIsCutAndCountedTheProgramsOwnEventsNeverAndNoLineBreaks) {
    passedOn.clear();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
        passedOn.append(QLatin1String(context.category) + QLatin1Char(' ') + text);
    });
    enableDebugLog();
    const QLoggingCategory flood("torven.flood");
    for (int i = 0; i < 25; ++i) {
        qCDebug(flood) << "target";
        qCInfo(lcApp) << "port opened";
    }
    int aboutOne = 0;
    for (int i = 0; i < 11; ++i)
        aboutOne += mayLogAbout(lcRotctld(), QStringLiteral("192.0.2.7"));
    EXPECT_EQ(aboutOne, 10);
    qCDebug(lcRotctld).noquote() << "client \x1b[31m\u2028said";

    ASSERT_TRUE(test::WaitUntil([] {
        return passedOn.count("torven.flood … 5 lines like these left out") == 1 &&
               passedOn.count("torven.rotctld … 1 line like this left out") == 1;
    })) << passedOn.join('\n').toStdString();
    EXPECT_EQ(passedOn.count("torven.flood target"), 20);
    EXPECT_EQ(passedOn.count("torven.app port opened"), 25);
    EXPECT_EQ(passedOn.count("torven.rotctld client \\u001B[31m\\u2028said"), 1);
}

TEST_F(Logging, TheFileMovesItsOlderHalfAsideToReplaceTheEarlierOne) {
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("torven.log"));
    QFile older(path + QStringLiteral(".1"));
    ASSERT_TRUE(older.open(QIODevice::WriteOnly) && older.write("from long ago\n") > 0);
    older.close();
    ASSERT_EQ(sendLogToFile(path, 400), std::nullopt); // lines of ~50 bytes, moved at 200
    enableDebugLog();
    const QLoggingCategory category("torven.file");
    for (int i = 0; i < 6; ++i)
        qCDebug(category) << "line" << i;
    stopLogFile();

    QFile newer(path);
    ASSERT_TRUE(older.open(QIODevice::ReadOnly) && newer.open(QIODevice::ReadOnly));
    const QByteArray moved = older.readAll(), kept = newer.readAll();
    EXPECT_TRUE(!moved.contains("long ago") && moved.contains(" torven.file: line 0\n") &&
                moved.size() <= 200)
        << moved.data();
    EXPECT_TRUE(kept.endsWith(" torven.file: line 5\n") && !kept.contains("line 0") &&
                kept.size() <= 200)
        << kept.data();
}

// Each row in a process of its own: Qt reads QT_MESSAGE_PATTERN once.
TEST_F(Logging, EachLineStartsWithItsTimeUnlessQtMessagePatternSaysOtherwise) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const auto& [pattern, onStderr] :
         {std::pair{"", "^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} "
                        "debug torven\\.serial: port 6 opened\n$"},
          std::pair{"%{category}|%{message}|", "^torven\\.serial\\|port 6 opened\\|\n$"}}) {
        qputenv("QT_MESSAGE_PATTERN", pattern);
        EXPECT_EXIT(
            {
                enableDebugLog();
                qCDebug(lcSerial) << "port 6 opened";
                std::_Exit(0);
            },
            testing::ExitedWithCode(0), onStderr);
    }
    qunsetenv("QT_MESSAGE_PATTERN");
}

} // namespace
} // namespace torven
