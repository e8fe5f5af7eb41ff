#pragma once
// The GoogleTest side of an end-to-end case: a fresh stage before it (see e2e_support.h), its copies
// ended after it, and the checks its cases share.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"

namespace vt::e2e {

class E2eCase : public ::testing::Test {
protected:
    // `line_file`: the simulated line's state file of the fixture's cases.
    explicit E2eCase(const wchar_t* line_file) : line_file_(line_file) {}
    void SetUp() override {
        ASSERT_TRUE(FreshStage(line_file_)) << "could not install the program into the prefix";
    }
    void TearDown() override { EndStage(program_); }

    void SetLine(const std::function<void(line::State&)>& change) { ASSERT_TRUE(ChangeLine(change)); }
    ::testing::AssertionResult StatusBecomes(const std::wstring& text, DWORD timeout_ms = 9000) {
        if (program_.StatusBecomes(text, timeout_ms)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the status reads " << WideToUtf8(program_.Status());
    }

    Program program_;

private:
    const wchar_t* line_file_;
};

}  // namespace vt::e2e
