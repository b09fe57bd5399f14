#pragma once
// FImageForm, "Visualiseur d'image": a picture browser to pick a row's colour from, with the
// R, G, B fields and bars and the row's proportion.

#include <QColor>
#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

#include "core/common/signal.h"
#include "core/plan/colour_picker.h"
#include "gui/plan/sample_picture.h"

class QFileSystemModel;
class QModelIndex;

namespace Ui {
class FImageForm;
}

namespace chromaflow {

class Session;
class ViewForm;
class SelectedColourView;
class PictureView;
enum class EditorButton;

class ImageForm : public QDialog {
 public:
  explicit ImageForm(Session& session, QWidget* parent = nullptr);
  ~ImageForm() override;

  // The windows the picker shows the picture and the picked colour in (created after it).
  void attach(ViewForm& fullPicture, SelectedColourView& selectedColour);
  // Shows the picker on row `row` of the colour table, counted from 1 (n + 1: a new row).
  void openOnRow(int row);

  // The folder whose files the file list shows, as chosen in the folder tree.
  void showFolder(const QString& folder);
  // A click on a file of the list: loads it when it is a bitmap, icon or metafile. False when
  // nothing was loaded (another kind of file, or a picture that cannot be read: the error box
  // said so and the previous picture stays).
  bool loadPicture(const QString& path);
  const SamplePicture& picture() const { return picture_; }

  // The colour dialog of "Couleur personalisée": the colour confirmed, nothing when cancelled.
  using ColourChooser = std::function<std::optional<QColor>(QColor current, QWidget* parent)>;
  void setColourChooser(ColourChooser chooser) { chooseColour_ = std::move(chooser); }

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setUpFileBrowser();
  void applyMask(const QString& mask);
  void chooseDrive(int index);
  void fileChosen(const QModelIndex& index);
  void activated();
  void paintFrames();
  void showPicker();
  void showPictureInFrame();
  void pickAt(QPoint at);
  void chooseBrushColour();
  void press(EditorButton button);
  // The pointer over a bar: the bar's rule sets the value while the left button is held.
  void pointBar(PictureView* bar, int x, bool leftButtonDown);

  Session& session_;
  std::unique_ptr<Ui::FImageForm> ui_;
  ViewForm* fullPicture_ = nullptr;
  SelectedColourView* selectedColour_ = nullptr;
  QFileSystemModel* folders_ = nullptr;
  QFileSystemModel* files_ = nullptr;
  QString folderToReveal_;
  SamplePicture picture_;
  bool frameStretched_ = true;  // how Image1 last drew the picture
  ColourChooser chooseColour_;
  // Last, so that the window stops listening before its widgets go.
  Subscription changes_;
};

}  // namespace chromaflow
