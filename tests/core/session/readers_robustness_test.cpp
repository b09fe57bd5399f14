// Any bytes at all, fed to every reader: nothing may crash, and what was read must save and
// read back to the same document.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "core/common/text_file.h"
#include "core/session/documents.h"
#include "core/settings/decode_line.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

// Bytes that look a little like the program's files, so that the readers get past their keys.
std::string noise(std::mt19937& random) {
  static const char* const pieces[] = {
      "=", ";", "\r\n", "\n", "\r", "Surf.", "Prop.", "Etat tuyau", "vide", "plein", "Anticipation",
      "Yes", "Proportions initiales", "Texte utilisateur", "Retard(l)", "Epaisseur peinture(l/m2)",
      "Rouleau(Pulses/m2) s\xE9lection", "Pompe P1(trs/l)", "1.50", "0.00", "-3", "100", "255", "300",
      "$FF", "1e40", " ", "\xFF", "\x00", "\x81", "12345678901", "0.0001", "99999.99"};
  std::string bytes;
  const int count = std::uniform_int_distribution<int>(0, 60)(random);
  for (int i = 0; i < count; ++i) {
    if (random() % 4 == 0) {
      bytes += static_cast<char>(random() & 0xFF);
    } else {
      const char* piece = pieces[random() % std::size(pieces)];
      bytes.append(piece, piece[0] == 0 ? 1 : std::strlen(piece));
    }
  }
  return bytes;
}

TEST(Readers, AnyBytesReadWithoutCrashAndReadBackTheSame) {
  TempDir dir;
  std::mt19937 random(20261207);
  for (int round = 0; round < 400; ++round) {
    const std::string bytes = noise(random);
    DecodeLine(bytes);
    for (const char* extension : {".sev", ".cov", ".spv", ".prv"}) {
      const std::string path = dir.file(std::string("in") + extension);
      writeBytes(path, bytes);
      Documents first;
      first.colours.addRow({0, 0, 0, 0});
      first.colours.addRow({100, 255, 255, 255});
      const std::string ext = extension;
      auto open = [&](Documents& d, const std::string& file) {
        if (ext == ".sev") d.settings.name().set(file), d.settings.OpenSettings(false, nullptr);
        if (ext == ".cov") d.colours.name().set(file), d.colours.OpenColours(false, nullptr);
        if (ext == ".spv") d.plan.name().set(file), d.plan.OpenPlan(false, nullptr);
        if (ext == ".prv") d.project.name().set(file), d.project.OpenProject(false, nullptr);
      };
      auto save = [&](Documents& d, const std::string& file) {
        if (ext == ".sev") d.settings.name().set(file), d.settings.SaveSettings(false, nullptr);
        if (ext == ".cov") d.colours.name().set(file), d.colours.SaveColours(false, nullptr);
        if (ext == ".spv") d.plan.name().set(file), d.plan.SavePlan(false, nullptr);
        if (ext == ".prv") d.project.name().set(file), d.project.SaveProject(false, nullptr);
      };
      ASSERT_NO_THROW(open(first, path)) << round << extension;
      const std::string once = dir.file(std::string("once") + extension);
      save(first, once);
      Documents second;
      open(second, once);
      const std::string twice = dir.file(std::string("twice") + extension);
      save(second, twice);
      std::string a = readBytes(once), b = readBytes(twice);
      // The banners name their own file; the rest must agree.
      a = a.substr(a.find('\n') + 1);
      b = b.substr(b.find('\n') + 1);
      ASSERT_EQ(a, b) << "round " << round << extension << " from bytes of length " << bytes.size();
    }
  }
}

}  // namespace
}  // namespace chromaflow
