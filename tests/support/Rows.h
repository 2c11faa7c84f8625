#pragma once

// Table rows are structs with a `name`: the test listing and failures show it. Put
// `using torven::test::PrintTo;` where the rows are declared; RowName() names the cases.
#include <ostream>
#include <string>

namespace torven::test {

template <typename Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

struct RowName {
    template <typename Info> std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

} // namespace torven::test
