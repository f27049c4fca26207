// A fresh temporary working directory per test, removed afterwards, and
// whole-file helpers: the settings code works on "setup.ini" in the
// current directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <unistd.h>

class InTempDir : public ::testing::Test {
public:
    static void writeFile(const std::string& name, const std::string& bytes)
    {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    static std::string readFile(const std::string& name)
    {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/voltari-test-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override
    {
        std::filesystem::current_path(old_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // Names in the working directory, to catch stray temporary files.
    static std::set<std::string> names()
    {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator("."))
            out.insert(e.path().filename().string());
        return out;
    }

    std::filesystem::path dir_, old_;
};
