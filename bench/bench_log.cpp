// What a line of the log costs the reception: a category that is off, and one flooded far past its
// allowance (every line formatted, then left out and counted).
#include "Logging.h"

#include <QByteArray>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

void discard(QtMsgType, const QMessageLogContext&, const QString&) {}

// As the reception writes a reading.
void logReading(const QByteArray& reading) {
    qCDebug(torven::lcReception).nospace() << "reading " << reading << ": bearing " << 180;
}

void BM_LogLine_CategoryOff(benchmark::State& state) {
    QLoggingCategory::setFilterRules(QString());
    const QByteArray reading("0256\r\n");
    for (auto _ : state)
        logReading(reading);
}

void BM_LogLine_Flooded(benchmark::State& state) {
    qInstallMessageHandler(discard);
    torven::enableDebugLog();
    const QByteArray reading("0256\r\n");
    for (auto _ : state)
        logReading(reading);
    QLoggingCategory::setFilterRules(QString());
}

BENCHMARK(BM_LogLine_CategoryOff);
BENCHMARK(BM_LogLine_Flooded);

} // namespace

int main(int argc, char* argv[]) {
    // The summary of lines left out is asked of the application; no event loop runs, so it waits.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
