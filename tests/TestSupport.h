// Helpers shared by every test suite.
#pragma once

#include <exception>
#include <string>

namespace kyn::test {

// The message of the exception `f` throws, or "" when it throws none.
template <typename F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

}  // namespace kyn::test
