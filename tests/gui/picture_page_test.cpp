#include "gui/image/picture_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "test_support.h"

namespace atalaya {
namespace {

// The page on its own, with a context of its own: the main window is not needed.
class PicturePageTest : public ::testing::Test {
 protected:
  PicturePageTest()
      : dialogs_(open_folder_, save_folder_),
        context_{texts_, bindings_, dialogs_, user_},
        page_(std::make_unique<PicturePage>(context_, settings_)) {
    bindings_.Apply(texts_);
    page_->resize(1100, 700);
    page_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(page_.get()));
  }

  QString Path(const QString& name) const { return dir_.path() + "/" + name; }

  // A capture file of `size` bytes of `value`.
  QString Capture(const QString& name, qsizetype size, char value) const {
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, value));
    return Path(name);
  }

  void ChooseFormat(PictureFormat format) {
    settings_.formato_16_9 = format == PictureFormat::k16By9;
    settings_.formato_4_3 = format == PictureFormat::k4By3;
    settings_.formato_original = format == PictureFormat::kOriginal;
  }

  // The colour the view shows at (x, y), as the screen would get it.
  QColor ShownColour(int x, int y) const {
    return page_->picture_view()->grab().toImage().pixelColor(x, y);
  }

  QTemporaryDir dir_;
  std::string open_folder_;
  std::string save_folder_;
  TextTable texts_;
  TextBindings bindings_;
  FileDialogs dialogs_;
  RecordingOperator user_;
  PageContext context_;
  Settings settings_;
  std::unique_ptr<PicturePage> page_;
};

TEST_F(PicturePageTest, StartsWithAnEmptyPictureAndSavingDisabled) {
  EXPECT_EQ(page_->open_button()->text(), "Leer Archivo...");
  EXPECT_EQ(page_->save_button()->text(), "Guardar como...");
  EXPECT_TRUE(page_->open_button()->isEnabled());
  EXPECT_FALSE(page_->save_button()->isEnabled());
  EXPECT_TRUE(page_->shown_picture().empty());
  // 720 × 576 centred on 1100 × 700, 13 pixels up: left 550 − 360, top 350 − 288 − 13.
  EXPECT_EQ(page_->picture_view()->geometry(), QRect(190, 49, 720, 576));
}

TEST_F(PicturePageTest, EveryResizeCentresThePictureAndItsButtons) {
  struct Case {
    QSize page;
    QRect picture, open, save;
  };
  // Buttons 105 × 25: left = page ÷ 2 − 52 − 72 and + 56, top = page ÷ 2 − 12 + 289.
  const Case cases[] = {
      {{736, 600}, {8, -1, 720, 576}, {244, 577, 105, 25}, {372, 577, 105, 25}},
      {{801, 651}, {40, 24, 720, 576}, {276, 602, 105, 25}, {404, 602, 105, 25}},
  };
  for (const Case& c : cases) {
    page_->resize(c.page);
    EXPECT_EQ(page_->picture_view()->geometry(), c.picture);
    EXPECT_EQ(page_->open_button()->geometry(), c.open);
    EXPECT_EQ(page_->save_button()->geometry(), c.save);
  }
}

TEST_F(PicturePageTest, ALoadedCaptureIsShownInTheChosenFormat) {
  settings_.capture_size = 1;
  ApplyCaptureSize(settings_);  // 528 x 576
  struct Case {
    PictureFormat format;
    QRect view;  // on the 1100 × 700 page
    int window_width_asked;
  };
  const Case cases[] = {
      {PictureFormat::k4By3, {190, 49, 720, 576}, 0},
      {PictureFormat::k16By9, {38, 49, 1024, 576}, 1043},
      {PictureFormat::kOriginal, {286, 49, 528, 576}, 0},
  };
  // Zero bytes, and samples missing past the end read as zero: every pixel green 135.
  const QString capture = Capture("capture.bin", 1000, '\0');
  for (const Case& c : cases) {
    ChooseFormat(c.format);
    int asked = 0;
    page_->on_window_width = [&asked](int width) { asked = width; };
    ASSERT_TRUE(page_->LoadCapture(capture));
    EXPECT_TRUE(page_->save_button()->isEnabled());
    EXPECT_EQ(page_->picture_view()->geometry(), c.view);
    EXPECT_EQ(asked, c.window_width_asked);
    EXPECT_EQ(page_->shown_picture().width(), c.view.width());
    for (const QPoint& p : {QPoint(0, 0), QPoint(c.view.width() - 1, 575), QPoint(300, 200)}) {
      EXPECT_EQ(ShownColour(p.x(), p.y()), QColor(0, 135, 0)) << p.x() << "," << p.y();
    }
  }
  EXPECT_TRUE(user_.errors.empty());
}

TEST_F(PicturePageTest, AFileThatCannotBeReadIsReportedAndChangesNothing) {
  EXPECT_FALSE(page_->LoadCapture(Path("missing.bin")));
  ASSERT_EQ(user_.errors.size(), 1u);
  EXPECT_NE(user_.errors[0].find("No se ha podido leer el archivo : " +
                                 Path("missing.bin").toStdString()),
            std::string::npos);
  EXPECT_FALSE(page_->save_button()->isEnabled());
  EXPECT_TRUE(page_->shown_picture().empty());
}

TEST_F(PicturePageTest, SavesTheShownPictureAsBitmapOrJpeg) {
  ChooseFormat(PictureFormat::k16By9);
  // Luma 235 with chroma 128 is white; the capture's chroma area starts at 414720.
  QByteArray frame(0x98000, static_cast<char>(128));
  frame.fill(static_cast<char>(235), 414720);
  frame.resize(0x98000, static_cast<char>(128));
  page_->ShowFrame(frame.toStdString());
  settings_.SetValue(Bar::kCalidadJPEG, 90);

  struct Case {
    QString name;
    const char* reader_format;
    int tolerance;
  };
  const Case cases[] = {
      {"picture.bmp", "BMP", 0},
      {"picture.JPG", "JPEG", 3},
      {"picture.jpeg", "JPEG", 3},
      {"picture", "JPEG", 3},  // no extension: JPEG, the dialog's chosen entry
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(page_->SavePicture(Path(c.name))) << c.name.toStdString();
    QImage image;
    ASSERT_TRUE(image.load(Path(c.name), c.reader_format)) << c.name.toStdString();
    EXPECT_EQ(image.size(), QSize(1024, 576));
    for (const QPoint& p : {QPoint(0, 0), QPoint(1023, 575), QPoint(500, 300)}) {
      const QColor colour = image.pixelColor(p);
      EXPECT_GE(colour.red(), 255 - c.tolerance);
      EXPECT_GE(colour.green(), 255 - c.tolerance);
      EXPECT_GE(colour.blue(), 255 - c.tolerance);
    }
  }
  EXPECT_TRUE(user_.errors.empty());
}

TEST_F(PicturePageTest, AFailedSaveIsReportedAndThePictureStays) {
  page_->ShowFrame(std::string(10, '\0'));
  const RgbPicture before = page_->shown_picture();
  const QString path = Path("no/such/folder/picture.bmp");
  EXPECT_FALSE(page_->SavePicture(path));
  ASSERT_EQ(user_.errors.size(), 1u);
  EXPECT_NE(user_.errors[0].find("No se ha podido guardar el archivo : " + path.toStdString()),
            std::string::npos);
  EXPECT_TRUE(page_->shown_picture() == before);
  EXPECT_TRUE(page_->save_button()->isEnabled());
}

// Answers the next file dialog: remembers its filters and chosen filter, picks filter
// `filter` when not negative, then accepts `name`.
struct DialogAnswer {
  QStringList filters;
  QString chosen_filter;
};

void AnswerNextDialog(DialogAnswer& seen, const QString& name, int filter = -1) {
  QTimer::singleShot(0, [&seen, name, filter] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    seen.filters = dialog->nameFilters();
    seen.chosen_filter = dialog->selectedNameFilter();
    if (filter >= 0) dialog->selectNameFilter(dialog->nameFilters()[filter]);
    dialog->selectFile(name);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, through the public slot
  });
}

TEST_F(PicturePageTest, TheButtonsAskForTheFileThenLoadOrSave) {
  open_folder_ = save_folder_ = dir_.path().toStdString();
  const QString capture = Capture("frame.bin", 0x98000, '\0');

  DialogAnswer open;
  AnswerNextDialog(open, capture);
  page_->open_button()->click();
  ASSERT_EQ(open.filters.size(), 2);
  EXPECT_TRUE(open.filters[0].startsWith("Archivo RAM (BIN) (*.bin)"));
  EXPECT_FALSE(page_->shown_picture().empty());
  ASSERT_TRUE(page_->save_button()->isEnabled());

  // The JPEG entry comes chosen; choosing the bitmap entry and typing a bare name saves a
  // bitmap under that name with ".bmp".
  DialogAnswer save;
  AnswerNextDialog(save, Path("shot"), 0);
  page_->save_button()->click();
  ASSERT_EQ(save.filters.size(), 2);
  EXPECT_TRUE(save.chosen_filter.startsWith("Archivo JPEG (JPG)"));
  QImage image;
  ASSERT_TRUE(image.load(Path("shot.bmp"), "BMP"));
  EXPECT_EQ(image.pixelColor(10, 10), QColor(0, 135, 0));
  EXPECT_FALSE(QFile::exists(Path("shot")));
  EXPECT_TRUE(user_.errors.empty());
}

}  // namespace
}  // namespace atalaya
