#pragma once

#include "Poll.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <chrono>
#include <functional>

namespace torven::test {

// Serves events until `condition` holds or `timeoutMs` has passed; returns whether it held.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
    return WaitFor(condition, std::chrono::milliseconds(timeoutMs), [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    });
}

} // namespace torven::test
