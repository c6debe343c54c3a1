// Shows a picture file in the preview window the batch list opens on a double
// click, on its own, so the window can be tried under a real window manager
// (moving it, closing it with a double click) and photographed.
//   imbrino-show-picture PICTURE
// Exits 0 when the window was closed with a double click, 1 otherwise.
#include <QApplication>
#include <cstdio>

#include "widgets/image_preview_dialog.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fputs("usage: imbrino-show-picture PICTURE\n", stderr);
    return 2;
  }
  imbrino::ImagePreviewDialog preview(QString::fromLocal8Bit(argv[1]));
  if (!preview.hasPicture()) {
    std::fprintf(stderr, "imbrino-show-picture: cannot read %s\n", argv[1]);
    return 1;
  }
  return preview.exec() == QDialog::Accepted ? 0 : 1;
}
