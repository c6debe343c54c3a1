// Shows the template editor's three property panels over a template, so they
// can be tried under a real window manager and photographed:
//   imbrino-show-property-panels [TEMPLATE.src]
// A window stands in for the editor and draws the template with the core
// renderer; every change a panel makes shows there at once. Without a
// template a small one with a text and a picture is made up. The panels keep
// their positions in SetupInfor.ini in the temporary folder, printed at exit.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <cstdio>

#include "shared/app_context.h"
#include "editor/panel_host.h"
#include "editor/property_bk.h"
#include "editor/property_image.h"
#include "editor/property_text.h"
#include "platform/gbk.h"
#include "shared/qt_prompts.h"
#include "render/template_compose.h"
#include "shared/resources.h"
#include "template/template_file.h"
#include "widgets/surface_image.h"

using namespace imbrino;

namespace {

class EditorStandIn final : public QWidget, public PanelHost {
 public:
  explicit EditorStandIn(const Template& document) : document_(document) {
    setWindowTitle(QStringLiteral("模板编辑 (panels preview)"));
    resize(1000, 700);
  }

  void templateChangedByPanel(MergeKey) override {
    ++changes_;
    update();
  }
  void backgroundSizeChanged() override {
    std::printf("background now %d x %d\n", document_.background.width,
                document_.background.height);
    std::fflush(stdout);
  }
  QRect editorClientOnScreen() const override { return {mapToGlobal(QPoint(0, 0)), size()}; }
  void giveKeyboardToCanvas() override { activateWindow(); }

  int changes() const { return changes_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    Surface canvas = Surface::create(width(), height(), makePixel(128, 128, 128)).value();
    drawTemplate(canvas, 0, 0, document_, false, false);
    QPainter(this).drawImage(0, 0, imageOfSurface(canvas));
  }

 private:
  const Template& document_;
  int changes_ = 0;
};

void makeUpTemplate(Template& document) {
  document.background.width = 420;
  document.background.height = 300;
  document.background.colour = 0x00E0F0FF;
  addTextObject(document);
  TextObject& text = document.textObjects[0];
  text.setText(utf8ToGbk("Imbrino 水印 示例").value_or(""));
  text.font.lfHeight = 36;
  text.x = 30;
  text.y = 40;
  text.textColour = 0x00202080;
  auto picture = std::make_unique<PictureObject>();
  picture->picture = Surface::create(160, 100, makePixel(40, 110, 200)).value();
  picture->picture.fillRect({20, 20, 80, 60}, makePixel(250, 200, 40));
  picture->sourceWidth = picture->width = 160;
  picture->sourceHeight = picture->height = 100;
  picture->imageType = 4;
  picture->x = 220;
  picture->y = 150;
  picture->zOrder = 2;
  document.pictureObjects.push_back(std::move(picture));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  loadProgramResources();

  QtPrompts prompts;
  EditingTemplate editing;
  PictureState picture;
  const QString settings = QDir::temp().filePath(QStringLiteral("SetupInfor.ini"));
  AppContext context{
      prompts,  SettingsFile(settings.toStdString()), editing, picture, configuredWebLinks(),
      QString()};
  if (argc > 1) {
    if (const Status read = readTemplateFile(argv[1], editing.document); !read) {
      std::fprintf(stderr, "cannot read %s: %s\n", argv[1], read.reason().c_str());
      return 1;
    }
  } else {
    makeUpTemplate(editing.document);
  }

  EditorStandIn editor(editing.document);
  editor.show();
  // The panels place themselves by the editor's client area on the screen:
  // let the window manager put the editor there first.
  QElapsedTimer framing;
  framing.start();
  while (framing.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  int result = 0;
  {
    PropertyBK background(context, editor, &editor);
    PropertyText text(context, editor, &editor);
    PropertyImage image(context, editor, &editor);
    background.loadFromBackground();
    if (!editing.document.textObjects.empty()) {
      text.bind(0);
      text.loadFromObject();
    }
    if (!editing.document.pictureObjects.empty()) {
      image.bind(0);
      image.loadFromObject();
    }
    // All three at once (the editor shows one at a time), one under the other
    // from where the first stands.
    background.show();
    text.move(background.pos() + QPoint(0, background.frameGeometry().height() + 40));
    text.show();
    image.move(text.pos() + QPoint(0, text.frameGeometry().height() + 40));
    image.show();
    result = application.exec();
  }
  std::printf("%d changes; positions kept in %s\n", editor.changes(), qPrintable(settings));
  return result;
}
