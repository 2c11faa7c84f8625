#include "RotatorService.h"
#include "Wait.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <optional>

namespace torven {
namespace {

struct ClientRun {
    int exitCode = -1;
    QString out;
};

class RotctlClientTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(QString(TORVEN_ROTCTL).isEmpty())
            << "Hamlib's rotctl is missing: scripts/bootstrap installs libhamlib-utils";
        ASSERT_TRUE(m_service.listen(QHostAddress(QHostAddress::LocalHost), 0))
            << m_service.failureReason().toStdString();
    }

    // Runs Hamlib's client against the service (model 2, NET rotctl) while serving events.
    ClientRun rotctl(const QStringList& command) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(TORVEN_ROTCTL),
                      QStringList{"-m", "2", "-r",
                                  QStringLiteral("127.0.0.1:%1").arg(m_service.serverPort())} +
                          command);
        const bool ended =
            test::WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 20000);
        EXPECT_TRUE(ended) << "rotctl did not end";
        if (!ended)
            process.kill();
        ClientRun run;
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAll());
        return run;
    }

    RotatorService m_service;
};

struct ClientRow {
    const char* name;
    std::optional<int> azimuth;
    QStringList command;
    bool succeeds;
    QString says;
};

class RotctlClientAnswers : public RotctlClientTest,
                            public testing::WithParamInterface<ClientRow> {};

TEST_P(RotctlClientAnswers, AsHamlibReadsThem) {
    const ClientRow& row = GetParam();
    m_service.setName(QStringLiteral("Мачта 1"));
    m_service.setPosition(row.azimuth);
    const ClientRun run = rotctl(row.command);
    EXPECT_EQ(run.exitCode == 0, row.succeeds) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(row.says)) << run.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Hamlib, RotctlClientAnswers,
    testing::Values(
        ClientRow{"GetPos", 180, {"get_pos"}, true, "180.00\n0.00\n"},
        ClientRow{"GetPosNorth", 360, {"get_pos"}, true, "360.00\n0.00\n"},
        ClientRow{"GetPosWithoutBearing", std::nullopt, {"get_pos"}, false, "IO error"},
        ClientRow{
            "SetPosNotAvailable", 180, {"set_pos", "90", "0"}, false, "Feature not available"},
        ClientRow{"ParkNotAvailable", 180, {"park"}, false, "Feature not available"},
        ClientRow{"GetInfoNamesThisCopy",
                  std::nullopt,
                  {"get_info"},
                  true,
                  QStringLiteral("torven — Мачта 1")}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torven
