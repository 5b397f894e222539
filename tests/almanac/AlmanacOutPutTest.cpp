// The exported entry point as the program calls it, from several fetch workers at once.
#include "almanac/Almanac.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(AlmanacOutPut, GivesTheEntryOrAnEmptyText)
{
    const std::string today = AlmanacOutPut("horalux.example", 2026, 12, 10);
    EXPECT_EQ(today.rfind("农历:丙午年冬月初二/", 0), 0u);
    EXPECT_NE(today.find("/来源:horalux.example"), std::string::npos);
    // A null ident still gives the entry.
    const std::string anonymous = AlmanacOutPut(nullptr, 2026, 12, 10);
    EXPECT_EQ(anonymous.substr(anonymous.size() - 8), "/来源:");
    for (const auto& d : { std::vector { 2026, 2, 30 }, { 1900, 1, 30 }, { 2101, 1, 1 }, { 0, 0, 0 } })
        EXPECT_STREQ(AlmanacOutPut("horalux.example", d[0], d[1], d[2]), "") << d[0] << "-" << d[1] << "-" << d[2];
}

TEST(AlmanacOutPut, EachThreadKeepsItsTextUntilItCallsAgain)
{
    const std::string expected[2] = { AlmanacOutPut("x", 2020, 5, 23), AlmanacOutPut("x", 2099, 12, 31) };
    std::vector<std::thread> workers;
    std::vector<int> failures(4, 0);
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([&, w] {
            const int which = w % 2;
            for (int i = 0; i < 2000; ++i) {
                const char* mine = which ? AlmanacOutPut("x", 2099, 12, 31) : AlmanacOutPut("x", 2020, 5, 23);
                // Another thread's call in between must not touch this thread's text.
                std::this_thread::yield();
                if (expected[which] != mine)
                    ++failures[w];
            }
        });
    for (auto& t : workers)
        t.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

} // namespace
