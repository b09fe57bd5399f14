// chromaflow-sim --render: the example job's three pictures written as bitmaps.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

#include "gui/drawing/main_pictures.h"

namespace chromaflow {
namespace {

std::string quoted(const QString& path) { return "'" + path.toStdString() + "'"; }

// The tool's exit status; what it says goes to a file in the test's folder.
int runTool(const QTemporaryDir& folder, const std::string& arguments) {
  const std::string command = std::string("'") + CHROMAFLOW_SIM_TOOL + "' " + arguments + " >" +
                              quoted(folder.filePath("tool-output.txt")) + " 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RenderTool, WritesTheThreePicturesAtTheAskedWidth) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string project = quoted(QString(CHROMAFLOW_EXAMPLES) + "/wall.prv");

  for (int width : {625, 1920}) {
    const QString into = folder.filePath(QString("w%1/pictures").arg(width));  // made by the tool
    std::string arguments = project + " --render " + quoted(into);
    if (width != 625) arguments += " --render-width " + std::to_string(width);
    ASSERT_EQ(runTool(folder, arguments), 0) << arguments;

    const QImage surface(into + "/ImageSurf.bmp", "BMP"), chart(into + "/ImageProp.bmp", "BMP"),
        scale(into + "/ImagePropCoul.bmp", "BMP");
    EXPECT_EQ(surface.size(), QSize(width, 119));
    EXPECT_EQ(chart.size(), QSize(width, 116));
    EXPECT_EQ(scale.size(), QSize(11, 116));
    // The example wall is painted from edge to edge in its colours, none of which is white.
    for (int x = 0; x < width; ++x) ASSERT_NE(surface.pixelColor(x, 118), QColor(255, 255, 255)) << x;
    EXPECT_NE(chart.pixelColor(0, 0), QColor());
    EXPECT_EQ(QDir(into).entryList(QDir::Files).size(), 3) << "no temporary file left";
  }

  // A width without a folder, or one that is no whole number of pixels, is refused.
  EXPECT_EQ(runTool(folder, project + " --render-width 800"), 2);
  EXPECT_EQ(runTool(folder, project + " --render " + quoted(folder.filePath("x")) + " --render-width 0"), 2);
  EXPECT_EQ(runTool(folder, project + " --render " + quoted(folder.filePath("x")) + " --render-width 12.5"), 2);
  EXPECT_FALSE(QDir(folder.filePath("x")).exists());
}

}  // namespace
}  // namespace chromaflow
