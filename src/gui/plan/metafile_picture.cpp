#include "gui/plan/metafile_picture.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libwmf/api.h>
#include <libwmf/font.h>
#include <libwmf/ipa.h>
#include <libwmf/svg.h>
}
#include <emf2svg.h>

namespace chromaflow {
namespace {

std::uint32_t u16At(const QByteArray& bytes, qsizetype at) {
  return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}
std::uint32_t u32At(const QByteArray& bytes, qsizetype at) { return u16At(bytes, at) | u16At(bytes, at + 2) << 16; }

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr qsizetype kPlaceableHeaderBytes = 22;
constexpr qsizetype kWmfHeaderBytes = 18;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr qsizetype kEmfHeaderBytes = 88;
constexpr std::uint32_t kEmrHeader = 1, kEmrEof = 14;

// libwmf would look for Ghostscript's Type 1 fonts to measure text and fails without them. The
// SVG it writes only names a font family, so the fonts are named here without any font file,
// and text is measured at an average glyph width.
constexpr float kAverageGlyphWidth = 0.55f;  // of the font size

const char* postScriptFamily(const wmfFont* font) {
  const QByteArray face = QByteArray(font->lfFaceName ? font->lfFaceName : "").toLower();
  const bool fixedPitch = (font->lfPitchAndFamily & 0x03) == 1;
  if (fixedPitch || face.contains("courier") || face.contains("mono")) return "Courier";
  if (face.contains("times") || face.contains("serif") || face.contains("roman")) return "Times-Roman";
  return "Helvetica";
}

void mapFont(wmfAPI* api, wmfFont* font) {
  if (font->user_data) return;
  auto* named = static_cast<wmfIPAFont*>(wmf_malloc(api, sizeof(wmfIPAFont)));
  if (!named) return;
  named->ps_name = wmf_strdup(api, postScriptFamily(font));
  named->ft_face = nullptr;
  font->user_data = named;
}

float stringWidth(wmfAPI*, wmfFont*, char* text) {
  return text ? kAverageGlyphWidth * static_cast<float>(std::strlen(text)) : 0.0f;
}

std::optional<QByteArray> wmfSvg(const QByteArray& bytes) {
  wmfAPI_Options options;
  std::memset(&options, 0, sizeof options);
  options.function = wmf_svg_function;
  const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;

  wmfAPI* api = nullptr;
  if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
    if (api) wmf_api_destroy(api);
    return std::nullopt;
  }
  // The library reads from the buffer and never writes it.
  QByteArray input = bytes;
  std::optional<QByteArray> svg;
  auto* fonts = static_cast<wmfFontData*>(api->font_data);
  fonts->map = mapFont;
  fonts->stringwidth = stringWidth;
  wmf_svg_t* device = WMF_SVG_GetData(api);
  wmfD_Rect box{};
  unsigned int width = 0, height = 0;
  if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(input.data()), static_cast<long>(input.size())) ==
      wmf_E_None) {
    if (wmf_scan(api, 0, &box) == wmf_E_None && wmf_display_size(api, &width, &height, 96, 96) == wmf_E_None &&
        width > 0 && height > 0) {
      device->bbox = box;
      device->width = width;
      device->height = height;
      device->out = wmf_stream_create(api, nullptr);
      const bool played = device->out && wmf_play(api, 0, &box) == wmf_E_None;
      char* text = nullptr;
      unsigned long length = 0;
      if (device->out) wmf_stream_destroy(api, device->out, &text, &length);
      // The stream's memory belongs to the library, which frees it with the rest below.
      if (played && text && length > 0) svg = QByteArray(text, static_cast<qsizetype>(length));
    }
    wmf_mem_close(api);
  }
  wmf_api_destroy(api);
  return svg;
}

std::optional<QByteArray> emfSvg(const QByteArray& bytes) {
  QByteArray input = bytes;
  generatorOptions options;
  std::memset(&options, 0, sizeof options);
  char noNamespace[] = "";
  options.nameSpace = noNamespace;
  options.svgDelimiter = true;
  options.emfplus = true;
  char* text = nullptr;
  size_t length = 0;
  const int done = emf2svg(input.data(), static_cast<size_t>(input.size()), &text, &length, &options);
  std::optional<QByteArray> svg;
  if (done && text && length > 0) svg = QByteArray(text, static_cast<qsizetype>(length));
  std::free(text);
  return svg;
}

}  // namespace

bool wmfRecordsHold(const QByteArray& bytes) {
  const qsizetype size = bytes.size();
  if (size > kMetafileMaxBytes) return false;
  qsizetype at = 0;
  if (size >= 4 && u32At(bytes, 0) == kPlaceableKey) at = kPlaceableHeaderBytes;
  if (size < at + kWmfHeaderBytes) return false;
  const std::uint32_t type = u16At(bytes, at), headerWords = u16At(bytes, at + 2);
  if ((type != 1 && type != 2) || headerWords != kWmfHeaderBytes / 2) return false;
  at += kWmfHeaderBytes;
  // Each record: its size in 16-bit words (at least the size and function fields), then its
  // function; function 0 ends the metafile.
  while (at + 6 <= size) {
    const std::uint64_t words = u32At(bytes, at);
    const std::uint32_t function = u16At(bytes, at + 4);
    if (words < 3 || static_cast<std::uint64_t>(at) + words * 2 > static_cast<std::uint64_t>(size)) return false;
    if (function == 0) return true;
    at += static_cast<qsizetype>(words * 2);
  }
  return false;
}

bool emfRecordsHold(const QByteArray& bytes) {
  const qsizetype size = bytes.size();
  if (size > kMetafileMaxBytes || size < kEmfHeaderBytes) return false;
  if (u32At(bytes, 0) != kEmrHeader || u32At(bytes, 40) != kEmfSignature) return false;
  if (u32At(bytes, 4) < kEmfHeaderBytes) return false;
  // Each record: its type and its size in bytes, a multiple of 4 that includes both fields; an
  // end-of-file record closes the metafile.
  qsizetype at = 0;
  while (at + 8 <= size) {
    const std::uint32_t type = u32At(bytes, at);
    const std::uint64_t length = u32At(bytes, at + 4);
    if (length < 8 || length % 4 != 0 || static_cast<std::uint64_t>(at) + length > static_cast<std::uint64_t>(size))
      return false;
    if (type == kEmrHeader && at != 0) return false;
    if (type == kEmrEof) return true;
    at += static_cast<qsizetype>(length);
  }
  return false;
}

std::optional<QByteArray> metafileSvg(const QByteArray& bytes, MetafileFormat format) {
  if (format == MetafileFormat::Wmf) return wmfRecordsHold(bytes) ? wmfSvg(bytes) : std::nullopt;
  return emfRecordsHold(bytes) ? emfSvg(bytes) : std::nullopt;
}

}  // namespace chromaflow
