// Helpers shared by the core tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "model/fileio.h"
#include "support/files.h"

namespace orvtest {

// ASSERT_TRUE(orvtest::Ok(result)) passes when the operation succeeded and otherwise reports
// the result's message.
template <typename R>
::testing::AssertionResult Ok(const R& result)
{
    if (result.ok())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "failed: " << result.error();
}

// ASSERT_TRUE(Into(result, out)): as Ok, and out takes the value on success.
template <typename T>
::testing::AssertionResult Into(orv::Result<T> result, T& out)
{
    if (!result.ok())
        return ::testing::AssertionFailure() << "failed: " << result.error();
    out = std::move(*result);
    return ::testing::AssertionSuccess();
}

}  // namespace orvtest
