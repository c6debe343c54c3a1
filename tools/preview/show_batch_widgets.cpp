// Shows the batch window's building blocks one at a time, so they can be tried
// under a real window manager and photographed:
//   imbrino-show-batch-widgets pickers      both placement pickers; Space swaps
//                                           which one is on, the values print
//                                           as they change
//   imbrino-show-batch-widgets question     the question about a listed file
//   imbrino-show-batch-widgets delete [PICTURE]
//                                           the editor's delete question
//   imbrino-show-batch-widgets report       a report of a small run
// A question prints its answer (0..3) and exits with it.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <cstdio>

#include "shared/app_context.h"
#include "batch_window/placement_pickers.h"
#include "batch_window/report_dialog.h"
#include "image/image_io.h"
#include "shared/qt_prompts.h"
#include "shared/resources.h"
#include "widgets/dialog_units.h"
#include "widgets/four_way_question.h"

using namespace imbrino;

namespace {

// The two pickers as the batch window places them.
class PickerWindow : public QWidget {
 public:
  PickerWindow() {
    setWindowTitle(QStringLiteral("模板位置选择"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.size(244, 110));
    position_.setParent(this);
    percent_.setParent(this);
    position_.setGeometry(du.rect(15, 7, 102, 97));
    percent_.setGeometry(du.rect(127, 7, 102, 97));
    percent_.setPickerEnabled(false);
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &PickerWindow::report);
    poll->start(100);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() != Qt::Key_Space) return QWidget::keyPressEvent(event);
    const bool anchor = !position_.pickerEnabled();
    position_.setPickerEnabled(anchor);
    percent_.setPickerEnabled(!anchor);
  }

 private:
  void report() {
    const PlacementValues a = position_.placementValues();
    const PlacementValues p = percent_.placementValues();
    if (a == lastAnchor_ && p == lastPercent_) return;
    lastAnchor_ = a;
    lastPercent_ = p;
    std::printf("anchor %d,%d  percent %d,%d\n", a.horizontal, a.vertical, p.horizontal,
                p.vertical);
    std::fflush(stdout);
  }

  PositionPicker position_;
  PercentPicker percent_;
  PlacementValues lastAnchor_;
  PlacementValues lastPercent_;
};

PictureObject pictureObject(const char* path) {
  PictureObject picture;
  if (path != nullptr) {
    if (auto loaded = loadPictureFile(path)) picture.picture = std::move(*loaded);
  }
  if (picture.picture.empty()) {
    picture.picture = Surface::create(64, 48, makePixel(40, 110, 200)).value();
    picture.picture.fillRect({8, 8, 24, 16}, makePixel(250, 200, 40));
  }
  picture.sourceWidth = picture.picture.width();
  picture.sourceHeight = picture.picture.height();
  picture.width = picture.sourceWidth;
  picture.height = picture.sourceHeight;
  return picture;
}

int usage() {
  std::fputs("usage: imbrino-show-batch-widgets pickers|question|delete [PICTURE]|report\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  loadProgramResources();
  if (argc < 2) return usage();
  const QString what = QString::fromLocal8Bit(argv[1]);

  if (what == QLatin1String("pickers")) {
    PickerWindow window;
    window.show();
    return application.exec();
  }
  if (what == QLatin1String("question") || what == QLatin1String("delete")) {
    const PictureObject picture = pictureObject(argc > 2 ? argv[2] : nullptr);
    std::unique_ptr<FourWayQuestion> question;
    if (what == QLatin1String("question")) {
      question = std::make_unique<TextQuestion>(QStringLiteral(
          "文件: /home/user/照片/2024 春游/IMG_0001.JPG 已经存在在列表中,是否要继续添加该文件?"));
    } else {
      auto remove = std::make_unique<DeleteObjectQuestion>();
      remove->setPictureObject(&picture);
      question = std::move(remove);
    }
    const int answer = question->exec();
    std::printf("%d\n", answer);
    return answer;
  }
  if (what == QLatin1String("report")) {
    QtPrompts prompts;
    EditingTemplate editing;
    PictureState picture;
    AppContext context{prompts, SettingsFile("/dev/null"), editing, picture,
                       configuredWebLinks(), QString()};
    ReportDialog report(context, nullptr);
    BatchLists lists;
    for (int i = 1; i <= 40; ++i)
      lists.savedFiles.push_back("/home/user/输出/IMG_" + std::to_string(1000 + i) + ".JPG");
    lists.failedFiles = {"/home/user/照片/坏的图片.png", "/home/user/照片/没有扩展名"};
    lists.pendingFiles = {"/home/user/照片/IMG_2001.JPG"};
    report.setReport(lists);
    return report.exec();
  }
  return usage();
}
