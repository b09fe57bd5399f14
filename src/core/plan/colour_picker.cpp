#include "core/plan/colour_picker.h"

#include <algorithm>
#include <cctype>

#include "core/common/display_forms.h"
#include "core/common/document_name.h"
#include "core/settings/decode_line.h"

namespace chromaflow {
namespace {

constexpr const char* kCaptionPrefix = "Visualiseur d'image - ";
constexpr Rgb kBlack = 0;

int cellInteger(const ColourTable& colours, int row, int column) {
  const auto number = integerOfField(colours.cell(row, column));
  return number ? *number : 0;
}

}  // namespace

PictureKind pictureKindOf(std::string_view fileName) {
  const std::string name = nameWithoutDirectory(std::string(fileName));
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos) return PictureKind::None;
  std::string extension = name.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (extension == ".BMP") return PictureKind::Bitmap;
  if (extension == ".ICO") return PictureKind::Icon;
  if (extension == ".WMF" || extension == ".EMF") return PictureKind::Metafile;
  return PictureKind::None;
}

void ColourPicker::selectColourRow(int row) {
  selectedRow_ = row;
  setProportion(cellInteger(colours_, row, 1));
  setComponent(Component::Red, cellInteger(colours_, row, 3));
  setComponent(Component::Green, cellInteger(colours_, row, 4));
  setComponent(Component::Blue, cellInteger(colours_, row, 5));
}

PickerView ColourPicker::activate(int barWidth) {
  plan_.RefreshProportions();
  return view(barWidth);
}

void ColourPicker::setComponent(Component component, int value) {
  value = std::clamp(value, 0, 255);
  switch (component) {
    case Component::Red: red_ = value; break;
    case Component::Green: green_ = value; break;
    case Component::Blue: blue_ = value; break;
  }
}

int ColourPicker::component(Component component) const {
  switch (component) {
    case Component::Red: return red_;
    case Component::Green: return green_;
    case Component::Blue: return blue_;
  }
  return 0;
}

void ColourPicker::setColour(Rgb colour) {
  red_ = static_cast<int>(colour & 0xFF);
  green_ = static_cast<int>((colour >> 8) & 0xFF);
  blue_ = static_cast<int>((colour >> 16) & 0xFF);
}

void ColourPicker::setProportion(int proportion) { proportion_ = std::clamp(proportion, 0, 100); }

PickerView ColourPicker::view(int barWidth) const {
  PickerView view;
  view.panelRGB = colour();
  view.panelR = rgbOf(red_, 0, 0);
  view.panelG = rgbOf(0, green_, 0);
  view.panelB = rgbOf(0, 0, blue_);
  view.panelRGBText = red_ + green_ + blue_ >= 380 ? kBlack : kWhite;
  view.redBarLastBlue = pickerBarLastBlueColumn(red_, 255, barWidth);
  view.greenBarLastBlue = pickerBarLastBlueColumn(green_, 255, barWidth);
  view.blueBarLastBlue = pickerBarLastBlueColumn(blue_, 255, barWidth);
  view.proportionBarLastBlue = pickerBarLastBlueColumn(proportion_, 100, barWidth);
  return view;
}

BarPointer ColourPicker::pointComponentBar(Component which, int x, int width, bool leftButtonDown) {
  const BarPointer pointer = pickerBarPointer(x, width, component(which), 255, leftButtonDown);
  if (pointer.value) setComponent(which, *pointer.value);
  return pointer;
}

BarPointer ColourPicker::pointProportionBar(int x, int width, bool leftButtonDown) {
  const BarPointer pointer = pickerBarPointer(x, width, proportion_, 100, leftButtonDown);
  if (pointer.value) setProportion(*pointer.value);
  return pointer;
}

void ColourPicker::pictureLoaded(const std::string& path, PictureKind kind, int width, int height) {
  pictureKind_ = kind;
  pictureWidth_ = std::max(width, 0);
  pictureHeight_ = std::max(height, 0);
  caption_ = kCaptionPrefix + nameWithoutDirectory(path);
  if (kind == PictureKind::Bitmap)
    caption_ += " (" + std::to_string(pictureWidth_) + " x " + std::to_string(pictureHeight_) + ")";
}

std::optional<ColourPicker::Pixel> ColourPicker::pixelUnder(int x, int y, int frameWidth, int frameHeight) const {
  std::int64_t px = x, py = y;
  if (stretch_) {
    if (frameWidth <= 0 || frameHeight <= 0) return std::nullopt;
    px = Round(static_cast<double>(x) * pictureWidth_ / frameWidth);
    py = Round(static_cast<double>(y) * pictureHeight_ / frameHeight);
  }
  if (px < 0 || py < 0 || px >= pictureWidth_ || py >= pictureHeight_) return std::nullopt;
  return Pixel{static_cast<int>(px), static_cast<int>(py)};
}

PickResult ColourPicker::pick(int x, int y, const std::function<Rgb(int, int)>& pixelColour, int frameWidth,
                              int frameHeight) {
  if (pictureKind_ == PictureKind::Icon || pictureKind_ == PictureKind::Metafile) return PickResult::NoPixels;
  if (pictureKind_ != PictureKind::Bitmap) return PickResult::OutsidePicture;
  const auto pixel = pixelUnder(x, y, frameWidth, frameHeight);
  if (!pixel) return PickResult::OutsidePicture;
  setColour(pixelColour(pixel->x, pixel->y));
  positionX_ = std::to_string(pixel->x);
  positionY_ = std::to_string(pixel->y);
  return PickResult::Picked;
}

EditorOutcome ColourPicker::ok() {
  std::vector<std::string> warnings;
  const auto& rows = colours_.rows();
  for (int row = 1; row <= static_cast<int>(rows.size()); ++row)
    if (row != selectedRow_ && rows[row - 1].proportion == proportion_)
      warnings.push_back("La proportion : " + std::to_string(proportion_) + "% existe déjà. Essayer un autre.");
  if (!warnings.empty()) return EditorOutcome::stay(std::move(warnings));

  const ColourRow stored{proportion_, red_, green_, blue_};
  // A row selected before the table shrank under it is taken as the " +" row.
  if (isDataRow(selectedRow_)) colours_.setRow(selectedRow_, stored);
  else colours_.addRow(stored);
  colours_.RefreshColourTable();
  plan_.RefreshProportions();
  EditorOutcome outcome = EditorOutcome::close(MainRedraw::ProportionViews);
  outcome.updateGaugeColours = true;
  outcome.refreshColourViews = true;
  return outcome;
}

EditorOutcome ColourPicker::remove() {
  if (isDataRow(selectedRow_)) colours_.removeRow(selectedRow_);
  plan_.RefreshProportions();
  // The colour window refreshes its own views when it comes back to the front.
  EditorOutcome outcome = EditorOutcome::close(MainRedraw::ProportionViews);
  outcome.updateGaugeColours = true;
  return outcome;
}

EditorOutcome ColourPicker::removeAll() {
  colours_.clearRows();
  colours_.RefreshColourTable();
  plan_.RefreshProportions();
  return EditorOutcome::close();
}

}  // namespace chromaflow
