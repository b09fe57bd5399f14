// The program finds the files installed with it from where it runs, never from where it was built.

#include "core/common/installed_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace chromaflow {
namespace {

TEST(InstalledFiles, TheDataFolderIsBesideTheProgramsFolder) {
  EXPECT_EQ(dataFolderOf("/opt/stage/usr/bin/chromaflow"), "/opt/stage/usr/share/chromaflow");
  EXPECT_EQ(dataFolderOf("/opt/stage/usr/local/bin/chromaflow-sim"), "/opt/stage/usr/local/share/chromaflow");
  EXPECT_EQ(dataFolderOf("/home/x/build/tools/../tools/chromaflow"), "/home/x/build/share/chromaflow");
}

TEST(InstalledFiles, TheBuildTreeKeepsTheInstalledLayout) {
  // These tests run from build/tests, as the programs run from build/tools.
  const std::filesystem::path example = installedExampleProject();
  ASSERT_FALSE(example.empty());
  EXPECT_TRUE(std::filesystem::exists(example)) << example;
  for (const char* sibling : {".sev", ".spv", ".cov"})
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(example).replace_extension(sibling)));
}

}  // namespace
}  // namespace chromaflow
