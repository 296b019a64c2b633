#include <gtest/gtest.h>

#include "model/tips.h"

using namespace orv;

TEST(Tips, TipLinesComeOneAtATimeAndTheEndWrapsToTheStart)
{
    const std::string longLine = std::string(1500, 'x') + "\n";
    const struct {
        std::string_view file;
        int64_t pos;
        std::vector<std::string> tips;
    } cases[] = {
        {"; comment\r\n tip with blank\r\nFirst tip\r\n\r\n\tindented\r\nSecond tip\r\n",
         0,
         {"First tip", "Second tip", "First tip"}},
        {"; only\n  comments\n\n", 0, {""}},
        {"", 5, {""}},
        {longLine, 0, {std::string(1000, 'x'), std::string(500, 'x')}},
    };
    for (const auto& c : cases) {
        int64_t pos = c.pos;
        for (const std::string& tip : c.tips)
            EXPECT_EQ(NextTip(c.file, pos), tip) << c.file.substr(0, 20);
    }
}
