#pragma once
// The image colour picker ("Visualiseur d'image"): the colour and proportion of one row of the
// colour table, taken from a picture of a paint sample or set by hand, and the buttons that
// store or delete that row. The window loads and shows the picture and forwards the operator's
// gestures; the returned outcome says what follows.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/plan/colour_table.h"
#include "core/plan/editing.h"
#include "core/plan/plan.h"
#include "core/plan/proportion_bars.h"

namespace chromaflow {

enum class PictureKind { None, Bitmap, Icon, Metafile };

// The kind of picture a file holds, after its extension in capitals: ".BMP", ".ICO", ".WMF" or
// ".EMF"; None for any other file, which is not loaded.
PictureKind pictureKindOf(std::string_view fileName);

enum class Component { Red, Green, Blue };

// What the colour refresh shows. The bars are 63 pixels wide unless the window says otherwise;
// each is blue from column 0 to its last blue column and has the button face after it.
struct PickerView {
  Rgb panelRGB = 0;                    // "Couleur sélectionnée"
  Rgb panelR = 0, panelG = 0, panelB = 0;  // each component alone
  Rgb panelRGBText = 0;                // black on light colours, else white
  int redBarLastBlue = 0, greenBarLastBlue = 0, blueBarLastBlue = 0;
  int proportionBarLastBlue = 0;
};

// Where a click on the picture falls.
enum class PickResult {
  Picked,          // the colour and the position were taken
  OutsidePicture,  // no such pixel: nothing changes
  NoPixels,        // an icon or metafile has no pixels to read: nothing changes, the error box says so
};

class ColourPicker {
 public:
  static constexpr const char* kCaption = "Visualiseur d'image";
  static constexpr int kFrameWidth = 454, kFrameHeight = 349;  // Image1
  static constexpr int kBarWidth = 63;

  ColourPicker(ColourTable& colours, Plan& plan) : colours_(colours), plan_(plan) {}

  // The colour window selected a cell of row `row` (the " +" row included): the row to edit,
  // with its proportion, red, green and blue (0 where a cell is empty).
  void selectColourRow(int row);
  int selectedColourRow() const { return selectedRow_; }

  // The window comes to the front: the plan's proportion rows follow the colour table; the
  // frames PanelR, PanelG and PanelB are pure red, green and blue, then the colour refresh.
  PickerView activate(int barWidth = kBarWidth);

  // The spin edits, taken into 0..255 and 0..100; the brush's colour dialog sets all three.
  void setComponent(Component component, int value);
  int component(Component component) const;
  void setColour(Rgb colour);
  void setProportion(int proportion);
  int red() const { return red_; }
  int green() const { return green_; }
  int blue() const { return blue_; }
  int proportion() const { return proportion_; }
  Rgb colour() const { return rgbOf(red_, green_, blue_); }

  PickerView view(int barWidth = kBarWidth) const;

  // The pointer over a component bar or the proportion bar; with the left button held the value
  // follows it.
  BarPointer pointComponentBar(Component component, int x, int width, bool leftButtonDown);
  BarPointer pointProportionBar(int x, int width, bool leftButtonDown);

  // The window loaded `path` as a picture of `kind`, `width` x `height` pixels: the caption
  // follows it, with the size for a bitmap (the full-size viewer then takes the same caption).
  void pictureLoaded(const std::string& path, PictureKind kind, int width, int height);
  const std::string& caption() const { return caption_; }
  PictureKind pictureKind() const { return pictureKind_; }

  // "Stretch": the picture fills the frame.
  void setStretch(bool on) { stretch_ = on; }
  bool stretch() const { return stretch_; }

  // A click at (x, y) in a frame of the given size: the picture's pixel under it, when the
  // picture has one there.
  struct Pixel {
    int x = 0, y = 0;
  };
  std::optional<Pixel> pixelUnder(int x, int y, int frameWidth = kFrameWidth, int frameHeight = kFrameHeight) const;
  // Picks the colour under (x, y); `pixelColour` reads a pixel of the loaded picture.
  PickResult pick(int x, int y, const std::function<Rgb(int x, int y)>& pixelColour,
                  int frameWidth = kFrameWidth, int frameHeight = kFrameHeight);
  // EditPosX and EditPosY: the pixel last picked.
  const std::string& positionX() const { return positionX_; }
  const std::string& positionY() const { return positionY_; }

  // "OK": stores the row (a new row from the " +" row), unless another row has the proportion.
  EditorOutcome ok();
  // "Supprimer": the selected row goes; nothing on the " +" row.
  EditorOutcome remove();
  // "Supprimer tout": the colour table is emptied; its file name stays.
  EditorOutcome removeAll();
  // "Annuler".
  EditorOutcome cancel() { return EditorOutcome::close(); }

 private:
  bool isDataRow(int row) const { return row >= 1 && row <= static_cast<int>(colours_.rows().size()); }

  ColourTable& colours_;
  Plan& plan_;
  int selectedRow_ = 1;
  int red_ = 0, green_ = 0, blue_ = 0;
  int proportion_ = 0;
  std::string caption_ = kCaption;
  PictureKind pictureKind_ = PictureKind::None;
  int pictureWidth_ = 0, pictureHeight_ = 0;
  bool stretch_ = true;
  std::string positionX_ = "Position X";
  std::string positionY_ = "Position Y";
};

}  // namespace chromaflow
