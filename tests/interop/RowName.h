// Names parameterised tests after the `name` of their table row.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace interop {

struct RowName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
        return row.param.name;
    }
};

}  // namespace interop
