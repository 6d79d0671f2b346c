#include "gui/image/picture_page.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPushButton>

#include "platform/file_io.h"

namespace atalaya {

namespace {

// "Guardar como..." offers these two, the JPEG one chosen.
constexpr std::string_view kSaveFilter =
    "Archivo Bitmap de Windows (BMP)|*.bmp|Archivo JPEG (JPG)|*.jpg|";
constexpr int kBmpFilter = 0;
constexpr int kJpegFilter = 1;

constexpr PictureSize kInitialPictureSize = {720, 576};
constexpr PictureSize kButtonSize = {105, 25};

}  // namespace

// Draws the shown picture at its own size; the control always takes that size, so nothing is
// scaled here. Nothing is drawn before the first frame.
class PicturePage::PictureView : public QWidget {
 public:
  PictureView(const RgbPicture& picture, QWidget* parent) : QWidget(parent), picture_(picture) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    if (picture_.empty()) return;
    // The image reads the picture's own bytes: blue, green, red is Qt's BGR888.
    const QImage image(picture_.data(), picture_.width(), picture_.height(),
                       static_cast<qsizetype>(picture_.stride()), QImage::Format_BGR888);
    QPainter painter(this);
    painter.drawImage(0, 0, image);
  }

 private:
  const RgbPicture& picture_;
};

PicturePage::PicturePage(PageContext& context, Settings& settings, QWidget* parent)
    : AnchoredPage(parent), context_(context), settings_(settings) {
  view_ = new PictureView(shown_, this);
  view_->setObjectName("PictureView");
  view_->setGeometry(0, 0, kInitialPictureSize.width, kInitialPictureSize.height);
  open_ = new QPushButton(this);
  open_->setObjectName("Button22");
  context.bindings.Caption(open_, 53);
  save_ = new QPushButton(this);
  save_->setObjectName("Button21");
  context.bindings.Caption(save_, 59);
  save_->setEnabled(false);
  connect(open_, &QPushButton::clicked, this, [this] { AskAndLoad(); });
  connect(save_, &QPushButton::clicked, this, [this] { AskAndSave(); });

  SetAnchoring([this](const QSize& page) {
    const PicturePageLayout layout = LayOutPicturePage(
        {page.width(), page.height()}, {view_->width(), view_->height()}, kButtonSize);
    const auto place = [](QWidget* widget, const PageRect& r) {
      widget->setGeometry(r.left, r.top, r.width, r.height);
    };
    place(view_, layout.picture);
    place(open_, layout.open_button);
    place(save_, layout.save_button);
  });
}

QWidget* PicturePage::picture_view() const { return view_; }

bool PicturePage::LoadCapture(const QString& path) {
  const FileReadResult file = ReadWholeFile(path.toStdString());
  if (file.status != FileReadResult::Status::kOk) {
    context_.user.ShowError(context_.texts.Text(ExtraText::kFileNotRead) + " " +
                            path.toStdString() + (file.error.empty() ? "" : "\n" + file.error));
    return false;
  }
  ShowFrame(file.bytes);
  return true;
}

void PicturePage::ShowFrame(const std::string& bytes) {
  const PictureFormat format = PictureFormatOf(settings_);
  shown_ =
      ShownPicture(ConvertFrame(bytes, settings_.capture_width, settings_.capture_height), format);
  save_->setEnabled(true);
  if (format == PictureFormat::k16By9 && on_window_width) on_window_width(kWideWindowWidth);
  const PicturePageLayout layout =
      LayOutPicturePage({width(), height()}, {shown_.width(), shown_.height()}, kButtonSize);
  view_->setGeometry(layout.picture.left, layout.picture.top, layout.picture.width,
                     layout.picture.height);
  view_->update();
}

bool PicturePage::SavePicture(const QString& path) {
  return SavePicture(path, PictureFileTypeOf(path.toStdString()).value_or(PictureFileType::kJpeg));
}

bool PicturePage::SavePicture(const QString& path, PictureFileType type) {
  const std::string name = path.toStdString();
  const std::string bytes =
      EncodePictureFile(shown_, type, static_cast<int>(settings_.Value(Bar::kCalidadJPEG)));
  const std::string not_saved = context_.texts.Text(ExtraText::kFileNotSaved) + " " + name;
  if (bytes.empty()) {
    // Nothing shown yet: the button is disabled until then, so only a caller gets here.
    context_.user.ShowError(not_saved);
    return false;
  }
  if (const std::optional<std::string> error = WriteFileAtomically(name, bytes)) {
    context_.user.ShowError(not_saved + "\n" + *error);
    return false;
  }
  return true;
}

void PicturePage::AskAndLoad() {
  const QString path = context_.dialogs.AskOpenFile(this, context_.texts.Text(226));
  if (!path.isEmpty()) LoadCapture(path);
}

void PicturePage::AskAndSave() {
  int filter = kJpegFilter;
  QString path = context_.dialogs.AskSaveFile(this, kSaveFilter, filter, QString());
  if (path.isEmpty()) return;
  // A typed extension decides; without one, the chosen entry decides and names the file.
  const std::optional<PictureFileType> typed = PictureFileTypeOf(path.toStdString());
  if (typed) {
    SavePicture(path, *typed);
    return;
  }
  const PictureFileType chosen =
      filter == kBmpFilter ? PictureFileType::kBmp : PictureFileType::kJpeg;
  if (QFileInfo(path).suffix().isEmpty()) path += chosen == PictureFileType::kBmp ? ".bmp" : ".jpg";
  SavePicture(path, chosen);
}

}  // namespace atalaya
