#pragma once
// FComparaison, "Comparaison de chantiers": two kept jobs on one chart, the proportion each laid
// along its path, with the proportion each asked as a dashed line of its colour, so that the
// operator sees where one job held the mix and the other did not.

#include <QDialog>

#include <memory>

#include "core/history/stored_job.h"

class QValueAxis;

namespace Ui {
class FComparaison;
}

namespace chromaflow {

class JobComparisonWindow : public QDialog {
 public:
  explicit JobComparisonWindow(QWidget* parent = nullptr);
  ~JobComparisonWindow() override;

  void compare(const StoredJob& first, const StoredJob& second);

 private:
  std::unique_ptr<Ui::FComparaison> ui_;
  QValueAxis* distanceAxis_ = nullptr;
  QValueAxis* proportionAxis_ = nullptr;
};

// "Hall — 03/05/2024 14:12": a kept job as a series or a title names it.
QString jobCaption(const StoredJob& job);

}  // namespace chromaflow
