// The log's switch and, where a windowed program has no terminal, its file.
#include "Logging.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace torven {
namespace {

const QLoggingCategory& (*const kCategories[])() = {lcSerial, lcReception, lcSettings, lcRotctld,
                                                    lcApp};

class Logging : public testing::Test {
protected:
    // The rules are the process's: the next test starts from Qt's own again.
    void TearDown() override {
        QLoggingCategory::setFilterRules(QString());
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
    EXPECT_TRUE(lines[1].endsWith(" torven.serial debug: port 1 opened")) << lines[1].data();
    EXPECT_TRUE(lines[2].endsWith(" torven.rotctld debug: client left")) << lines[2].data();
    // The time comes first: yyyy-MM-dd hh:mm:ss.zzz.
    EXPECT_EQ(lines[1].indexOf(" torven."), 23) << lines[1].data();
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

} // namespace
} // namespace torven
