#pragma once

#include <QString>

namespace torven {

// A line for a person saying which device this is: its path, the system's description of it and,
// where the system keeps one, its stable /dev/serial/by-id name. "нет устройства" when empty.
QString describeDevice(const QString& device);

} // namespace torven
