// The shared dialogs: the value entry "Encodage valeur", the project's user text, the about box.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "gui/dialogs/about_box.h"
#include "gui/dialogs/dialog_asker.h"
#include "gui/dialogs/insert_value_dialog.h"
#include "gui/dialogs/user_text_window.h"
#include "gui/program_rig.h"

namespace chromaflow::testing {
namespace {

// Answers the dialog once it shows, as the operator would.
template <typename Answer>
void whenShown(QDialog& dialog, Answer answer) {
  QTimer::singleShot(0, &dialog, [&dialog, answer] {
    ASSERT_TRUE(dialog.isVisible());
    answer();
  });
}

TEST(InsertValueDialog, StartsOnOkWithoutCloseBoxAndReturnsWhatWasConfirmed) {
  InsertValueDialog dialog;
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Encodage valeur");
  auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("EditValue"));
  auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("OKBtn"));
  auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("CancelBtn"));
  ASSERT_TRUE(edit && ok && cancel);
  EXPECT_EQ(edit->text().toStdString(), "0.00");
  EXPECT_TRUE(ok->isDefault());
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
  // Tab order "OK", "Annuler", the field.
  EXPECT_EQ(ok->nextInFocusChain(), cancel);

  bool focusOnOk = false;
  std::string caption;
  whenShown(dialog, [&] {
    focusOnOk = ok->hasFocus() || QApplication::focusWidget() == ok || dialog.focusWidget() == ok;
    caption = dialog.windowTitle().toStdString();
    edit->setText(QStringLiteral("12.5"));
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  EXPECT_EQ(dialog.ask("Distance parcourue (m)", "3.00"), std::optional<std::string>("12.5"));
  EXPECT_TRUE(focusOnOk);
  EXPECT_EQ(caption, "Distance parcourue (m)");

  std::string prefilled;
  whenShown(dialog, [&] {
    prefilled = edit->text().toStdString();
    QTest::mouseClick(cancel, Qt::LeftButton);
  });
  EXPECT_EQ(dialog.ask("Correction max 0..1(litres)", "0.1"), std::nullopt);
  EXPECT_EQ(prefilled, "0.1");
}

TEST(InsertValueDialog, TheDistanceTypedWithADecimalCommaIsTaken) {
  // The main window's "Distance" panel asks through the real dialog; the operator types "7,5".
  ProgramRig rig;
  rig.openExample();
  InsertValueDialog values;
  DialogAsker asker(&rig.window, values);
  rig.session.setAsker(&asker);
  auto* edit = values.findChild<QLineEdit*>(QStringLiteral("EditValue"));
  ASSERT_NE(edit, nullptr);
  whenShown(values, [&] {
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("7,5"));
    QTest::mouseClick(values.findChild<QPushButton*>(QStringLiteral("OKBtn")), Qt::LeftButton);
  });
  auto* distance = rig.find<QWidget>("Distance");
  QTest::mouseClick(distance, Qt::LeftButton, Qt::NoModifier, distance->rect().center());
  rig.session.setAsker(&rig.asker);
  EXPECT_FLOAT_EQ(rig.session.state().Distance, 7.5f);
  EXPECT_EQ(rig.text("Distance"), "7.50");
}

TEST(InsertValueDialog, EscapeCancels) {
  InsertValueDialog dialog;
  whenShown(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
  EXPECT_EQ(dialog.ask("Valeur", "1"), std::nullopt);
}

TEST(DialogAsker, FiltersNameTheDocumentsFiles) {
  EXPECT_EQ(fileFilter(DocumentKind::Project).toStdString(), "Projet Velmora (*.prv);;Tous les fichiers (*.*)");
  EXPECT_EQ(fileFilter(DocumentKind::Bitmap).toStdString(), "Bitmaps (*.bmp)");
  EXPECT_EQ(fileFilter(DocumentKind::Manual).toStdString(), "Projet Velmora (*.doc)");
  EXPECT_EQ(defaultSuffix(DocumentKind::Settings).toStdString(), "sev");
}

// The message box the asker opens, answered once it shows: a button clicked by its caption, or a
// key pressed ("Escape", "Return"). Its text is kept.
void answerMessageBox(const QString& answer, QString& text) {
  QTimer::singleShot(0, [answer, &text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    text = box->text();
    if (answer == QStringLiteral("Escape") || answer == QStringLiteral("Return")) {
      QTest::keyClick(box, answer == QStringLiteral("Escape") ? Qt::Key_Escape : Qt::Key_Return);
      return;
    }
    for (QAbstractButton* button : box->buttons())
      if (button->text() == answer) return button->click();
    ADD_FAILURE() << "no button " << answer.toStdString();
    box->reject();
  });
}

TEST(DialogAsker, SaveQuestionAndConfirmationAnswerWithTheirFrenchButtons) {
  InsertValueDialog values;
  QWidget owner;
  DialogAsker asker(&owner, values);
  const std::pair<const char*, SaveChoice> saves[] = {{"Enregistrer", SaveChoice::Save},
                                                      {"Ne pas enregistrer", SaveChoice::DontSave},
                                                      {"Annuler", SaveChoice::Cancel},
                                                      {"Escape", SaveChoice::Cancel}};
  for (const auto& [answer, choice] : saves) {
    QString text;
    answerMessageBox(QString::fromUtf8(answer), text);
    EXPECT_EQ(asker.askSaveChanges("wall.prv"), choice) << answer;
    EXPECT_EQ(text.toStdString(), "Enregistrer les modifications de wall.prv ?");
  }
  // Files another program changed: replaced only on "Écraser"; Enter offers another name.
  const std::pair<const char*, ChangedFileChoice> changed[] = {{"Écraser", ChangedFileChoice::Overwrite},
                                                               {"Enregistrer sous...", ChangedFileChoice::SaveAs},
                                                               {"Annuler", ChangedFileChoice::Cancel},
                                                               {"Escape", ChangedFileChoice::Cancel},
                                                               {"Return", ChangedFileChoice::SaveAs}};
  for (const auto& [answer, choice] : changed) {
    QString text;
    answerMessageBox(QString::fromUtf8(answer), text);
    EXPECT_EQ(asker.askOverwriteChanged(changedOnDiskQuestion("wall.prv")), choice) << answer;
    EXPECT_EQ(text.toStdString(), "wall.prv a été modifié par un autre programme depuis son ouverture : l'écraser, "
                                  "l'enregistrer sous un autre nom, ou annuler ?");
  }
  // Only "Oui" clears a table; Enter alone does not.
  const std::pair<const char*, bool> confirmations[] = {
      {"Oui", true}, {"Non", false}, {"Escape", false}, {"Return", false}};
  for (const auto& [answer, yes] : confirmations) {
    QString text;
    answerMessageBox(QString::fromUtf8(answer), text);
    EXPECT_EQ(asker.confirm("Supprimer toutes les surfaces du plan ?"), yes) << answer;
    EXPECT_EQ(text.toStdString(), "Supprimer toutes les surfaces du plan ?");
  }
}

TEST(UserTextWindow, TypingGoesIntoTheProjectAndAnOpenedProjectShowsItsText) {
  ProgramRig rig;
  QDialog& window = rig.program.userText();
  EXPECT_EQ(window.windowTitle().toStdString(), "Texte utilisateur projet");
  auto* memo = window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
  ASSERT_NE(memo, nullptr);
  memo->setPlainText(QStringLiteral("Mur nord\nDeux couches"));
  EXPECT_EQ(rig.session.project().userText(), (std::vector<std::string>{"Mur nord", "Deux couches"}));

  // Saved with the project and read back by an open.
  rig.asker.saveAnswers.push_back(rig.path("texte.prv"));
  rig.action("MISaveAs")->trigger();
  rig.action("MINew")->trigger();
  EXPECT_TRUE(memo->toPlainText().isEmpty());
  EXPECT_TRUE(rig.session.project().userText().empty());
  rig.asker.openAnswers.push_back(rig.path("texte.prv"));
  rig.action("MIOpen")->trigger();
  EXPECT_EQ(memo->toPlainText().toStdString(), "Mur nord\nDeux couches");
}

TEST(AboutBox, NamesTheProgramAndItsVersion) {
  AboutBox about;
  EXPECT_EQ(about.windowTitle().toStdString(), "A propos de Chromaflow");
  auto* memo = about.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->toPlainText().split(QLatin1Char('\n')).first().toStdString(),
            "Chromaflow Version 1.1        01/10/2001");
  EXPECT_TRUE(memo->isReadOnly());
  whenShown(about, [&] { QTest::keyClick(&about, Qt::Key_Escape); });
  about.exec();
  EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace chromaflow::testing
