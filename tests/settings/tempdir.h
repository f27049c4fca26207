// A fresh temporary working directory per test, removed afterwards, and
// whole-file helpers: the settings code works on "setup.ini" in the
// current directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include <unistd.h>

#include "support/scratch.h"

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
        scratch_ = std::make_unique<ScratchDir>("test");
        ASSERT_FALSE(scratch_->path.empty());
        dir_ = scratch_->path;
    }
    void TearDown() override { scratch_.reset(); }

    // Names in the working directory, to catch stray temporary files.
    static std::set<std::string> names()
    {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator("."))
            out.insert(e.path().filename().string());
        return out;
    }

    std::unique_ptr<ScratchDir> scratch_;
    std::filesystem::path dir_;
};
