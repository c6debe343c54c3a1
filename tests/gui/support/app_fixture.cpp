#include "gui/support/app_fixture.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include "image/image_io.h"
#include "shared/resources.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino::test {

AppFixture::AppFixture()
    : context{prompts,
              SettingsFile(folder.filePath(QStringLiteral("SetupInfor.ini")).toStdString()),
              editing,
              picture,
              WebLinks{QStringLiteral("https://home.example/"),
                       QStringLiteral("https://home.example/donate")},
              folder.path() + u'/'} {
  loadProgramResources();
}

QString AppFixture::writePicture(const QString& name, int width, int height) const {
  const QString path = file(name);
  if (!saveBitmapByExtension(makeTestPicture(width, height), path.toStdString()))
    qFatal("cannot write a test picture");
  return path;
}

QString AppFixture::writeTemplate(const QString& name, int width, int height,
                                  ColorRef colour) const {
  Template document;
  document.background.width = width;
  document.background.height = height;
  document.background.colour = colour;
  const QString path = file(name);
  if (!writeTemplateFile(path.toStdString(), document)) qFatal("cannot write a test template");
  return path;
}

void whenDialogOpens(std::function<void(QWidget* dialog)> action) {
  QTimer::singleShot(0, [action = std::move(action)] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) {
      whenDialogOpens(action);  // not up yet: look again on the next turn
      return;
    }
    action(dialog);
  });
}

QByteArray bytesOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace imbrino::test
