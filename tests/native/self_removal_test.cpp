#include <gtest/gtest.h>

#include <string>

#include "self_removal.h"

namespace nuvex {
namespace {

constexpr char kSystem[] = "C:\\WINDOWS\\system32";

// Which uninstaller paths get a clean-up, and which folder it may remove: never a root, which
// "rmdir X:" would read as the interpreter's current folder on that drive.
TEST(SelfRemovalTest, PlansOnlyForAFullPathInsideAFolder) {
    const std::string longPath = "C:\\" + std::string(250, 'a') + "\\uninst.exe";
    const struct {
        const char* module;
        SelfRemovalResult result;
        const char* folder;
    } cases[] = {
        {"C:\\Program Files\\Tool\\uninst.exe", SelfRemovalResult::kReady,
         "C:\\Program Files\\Tool"},
        {"C:\\Program Files (x86)\\R&D ^;x\\uninst.exe", SelfRemovalResult::kReady,
         "C:\\Program Files (x86)\\R&D ^;x"},
        {"d:\\a\\b\\c\\UNINST.EXE", SelfRemovalResult::kReady, "d:\\a\\b\\c"},
        {"\\\\server\\share\\Tool\\uninst.exe", SelfRemovalResult::kReady,
         "\\\\server\\share\\Tool"},
        // Characters the interpreter would read as syntax in its command text are only data
        // in its environment.
        {"C:\\a&b|c>d<e^f(g);h\\uninst.exe", SelfRemovalResult::kReady, "C:\\a&b|c>d<e^f(g);h"},
        {"C:\\x\\uninst.exe", SelfRemovalResult::kReady, "C:\\x"},
        {"C:\\uninst.exe", SelfRemovalResult::kInDriveRoot, nullptr},
        {"\\\\server\\share\\uninst.exe", SelfRemovalResult::kInDriveRoot, nullptr},
        {"\\\\server\\uninst.exe", SelfRemovalResult::kInDriveRoot, nullptr},
        {"C:\\Tool\\", SelfRemovalResult::kNotFullPath, nullptr},
        {"C:uninst.exe", SelfRemovalResult::kNotFullPath, nullptr},
        {"Tool\\uninst.exe", SelfRemovalResult::kNotFullPath, nullptr},
        {"\\Tool\\uninst.exe", SelfRemovalResult::kNotFullPath, nullptr},
        {"", SelfRemovalResult::kNotFullPath, nullptr},
        {"C:\\To\"ol\\uninst.exe", SelfRemovalResult::kUnsafeCharacter, nullptr},
        {"C:\\To\nol\\uninst.exe", SelfRemovalResult::kUnsafeCharacter, nullptr},
        {"C:\\To\tol\\uninst.exe", SelfRemovalResult::kUnsafeCharacter, nullptr},
        {"C:\\100%\\uninst.exe", SelfRemovalResult::kUnsafeCharacter, nullptr},
        {"C:\\%TEMP%\\uninst.exe", SelfRemovalResult::kUnsafeCharacter, nullptr},
        {"C:\\Hi!\\uninst.exe", SelfRemovalResult::kUnsafeCharacter, nullptr},
        {"C:\\??\\uninst.exe", SelfRemovalResult::kUnsafeCharacter, nullptr},
        {"C:\\a*\\uninst.exe", SelfRemovalResult::kUnsafeCharacter, nullptr},
        {longPath.c_str(), SelfRemovalResult::kTooLong, nullptr},
    };
    for (const auto& c : cases) {
        SelfRemovalPlan plan = {};
        EXPECT_EQ(PlanSelfRemoval(c.module, kSystem, &plan), c.result) << c.module;
        if (c.folder) {
            EXPECT_STREQ(plan.exe, c.module);
            EXPECT_STREQ(plan.folder, c.folder) << c.module;
            EXPECT_STREQ(plan.program, "C:\\WINDOWS\\system32\\cmd.exe");
            EXPECT_STREQ(plan.ping, "C:\\WINDOWS\\system32\\ping.exe");
            EXPECT_STREQ(plan.commandLine, kSelfRemovalCommand);
        }
    }
    SelfRemovalPlan plan = {};
    EXPECT_EQ(PlanSelfRemoval("C:\\Tool\\uninst.exe", "system32", &plan),
              SelfRemovalResult::kNotFullPath);
    EXPECT_EQ(PlanSelfRemoval("C:\\Tool\\uninst.exe", "C:\\WIN\"DOWS", &plan),
              SelfRemovalResult::kUnsafeCharacter);
    const std::string longSystem = "C:\\" + std::string(kSelfRemovalPathSize - 10, 's');
    EXPECT_EQ(PlanSelfRemoval("C:\\Tool\\uninst.exe", longSystem.c_str(), &plan),
              SelfRemovalResult::kTooLong);
}

}  // namespace
}  // namespace nuvex
