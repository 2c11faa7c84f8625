#pragma once

// What every table-driven test shares: a row is a struct with a `name`, and that name is what the
// test listing and a failure message show. In the test file, `using torven::test::PrintTo;` where
// the rows are declared lets GoogleTest find the printer; RowName() names the instantiated cases.

#include <ostream>
#include <string>
#include <string_view>

namespace torven::test {

template <typename Row>
requires requires(const Row& row) {
    std::string_view(row.name);
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

struct RowName {
    template <typename Info> std::string operator()(const Info& info) const {
        return std::string(info.param.name);
    }
};

} // namespace torven::test
