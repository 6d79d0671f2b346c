#pragma once

#include <QString>
#include <functional>
#include <string>

#include "core/config/settings.h"
#include "core/image/frame_image.h"
#include "gui/shell/anchored_page.h"
#include "gui/shell/page_context.h"

class QPushButton;

namespace atalaya {

// The "Imagen" page: a captured frame shown as a picture in the middle of the page, with
// "Leer archivo..." and "Guardar como..." under it. The picture follows the capture size and
// the picture format of the settings at the moment a frame arrives.
class PicturePage : public AnchoredPage {
 public:
  // The control the picture is drawn in.
  class PictureView;

  PicturePage(PageContext& context, Settings& settings, QWidget* parent = nullptr);

  // "Leer archivo..." once a file is chosen: reads the whole file and shows the frame in it.
  // A file that cannot be read is reported and changes nothing.
  bool LoadCapture(const QString& path);
  // "Guardar como..." once a name is chosen: the shown picture as a bitmap for ".bmp", as a
  // JPEG at the settings' quality otherwise. A failed write is reported; the picture stays.
  bool SavePicture(const QString& path);
  bool SavePicture(const QString& path, PictureFileType type);
  // Converts and shows a frame buffer, from a file or from the JTAG capture, and enables
  // "Guardar como...".
  void ShowFrame(const std::string& bytes);

  // The window's width is the window's business: a 16:9 picture asks for kWideWindowWidth.
  std::function<void(int width)> on_window_width;

  const RgbPicture& shown_picture() const { return shown_; }
  QWidget* picture_view() const;
  QPushButton* open_button() const { return open_; }
  QPushButton* save_button() const { return save_; }

 private:
  void AskAndLoad();
  void AskAndSave();

  PageContext& context_;
  const Settings& settings_;
  RgbPicture shown_;
  PictureView* view_;
  QPushButton* open_;
  QPushButton* save_;
};

}  // namespace atalaya
