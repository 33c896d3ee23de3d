// Shared set-up for the host tests: a fresh fake world per test.
#ifndef TESTS_UNIT_TEST_SUPPORT_H
#define TESTS_UNIT_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../fake/fake_win.h"
#include "launcher.h"

class FakeWorldTest : public ::testing::Test {
protected:
    void SetUp() override { fake::reset(); }
    fake::World& world() { return fake::world(); }
};

inline std::string Str(LPCSTR text) { return text == NULL ? "(null)" : text; }

#endif
