#include "BearingOffset.h"

namespace torven {

std::string offsetRemark(int offset) {
    return "Поправка азимута: " + std::string(offset > 0 ? "+" : "") + std::to_string(offset) +
           "°.";
}

} // namespace torven
