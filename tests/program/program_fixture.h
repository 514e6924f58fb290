#pragma once

// Runs the program's own routines in-process on the Linux platform layer,
// headless, from a scratch directory holding a copy of the shipped main.fx.

#include "app/window.h"
#include "platform/api.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

class ProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Standard output written while the action runs.
    static std::string CaptureOutput(const std::function<void()>& action);

    static void WriteEffectFile(const std::string& text);
    static void RestoreEffectFile();
    static void RemoveEffectFile();
    static std::string ShippedEffectFile();

    // Creates the device objects and loads the shipped file, expecting both
    // to succeed.
    static void StartProgram();
};

// The five-line pipeline dump with every pointer absent.
extern const char kEmptyDump[];
