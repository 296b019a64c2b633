#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/result.h"

using namespace orv;

// A failure is told by its state, not by its message: an empty message still fails, and
// a string value is never taken for a message.
TEST(Result, FailureIsTheStateNotTheMessage)
{
    const Status failed = Fail("");
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.error(), "");
    EXPECT_TRUE(Status{});

    const Result<std::string> value = std::string("cannot open");
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, "cannot open");
    EXPECT_EQ(value.error(), "");
    const Result<std::string> failure = Fail("cannot open");
    EXPECT_FALSE(failure);
    EXPECT_EQ(failure.error(), "cannot open");
    EXPECT_EQ(failure.value_or("fallback"), "fallback");
}

TEST(Result, MoveOnlyValuesMoveOut)
{
    Result<std::unique_ptr<int>> made = std::make_unique<int>(7);
    std::unique_ptr<int> taken = std::move(made).value_or(nullptr);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(*taken, 7);
    Result<std::unique_ptr<int>> none = Fail("no memory");
    EXPECT_EQ(std::move(none).value_or(nullptr), nullptr);
}

TEST(ResultDeathTest, AskingAFailureForItsValueStopsTheProgram)
{
    const Result<int> failed = Fail("unreadable");
    EXPECT_DEATH((void)failed.value(), "");
}
