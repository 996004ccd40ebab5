#pragma once

// Names the cases of a parameterised test after their `name` field, in the
// letters, digits and underscores that test names allow.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

template <class Case>
std::string CaseName(const testing::TestParamInfo<Case>& info) {
    std::string name = info.param.name;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}
