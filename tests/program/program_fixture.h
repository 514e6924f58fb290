#pragma once

// Runs the program's own routines in-process on the Linux platform layer,
// headless, from a scratch directory holding a copy of the shipped main.fx.

#include "app/window.h"
#include "platform/api.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

class ProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override; // releases both sets and expects no live object

    // Standard output written while the action runs.
    static std::string CaptureOutput(const std::function<void()>& action);

    // A file of the source tree, by its path from the top or an absolute one.
    static std::string ReadTestFile(const std::filesystem::path& path);
    static void WriteEffectFile(const std::string& text);
    static void RestoreEffectFile() { WriteEffectFile(ReadTestFile("shaders/main.fx")); }

    // Creates the device objects and loads the shipped file, expecting both
    // to succeed.
    static void StartProgram();
};

// The five-line pipeline dump with every pointer absent.
extern const char kEmptyDump[];
