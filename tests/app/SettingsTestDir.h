// A fresh temporary folder per test for the settings tests, removed afterwards, and a log
// capture so that tests can check what the store reported.
#pragma once

#include "platform/Log.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace hx::test {

class SettingsTestDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "hx-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        file = dir / "Brightfen" / "Horalux" / "settings.conf";
        SetLogSink([this](std::string_view line) { log.emplace_back(line); });
    }

    void TearDown() override
    {
        SetLogSink({});
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    static std::string ReadText(const std::filesystem::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    static void WriteText(const std::filesystem::path& p, const std::string& text)
    {
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }

    bool LogMentions(std::string_view what) const
    {
        for (const std::string& line : log)
            if (line.find(what) != std::string::npos)
                return true;
        return false;
    }

    std::filesystem::path dir;
    std::filesystem::path file;
    std::vector<std::string> log;
};

} // namespace hx::test
