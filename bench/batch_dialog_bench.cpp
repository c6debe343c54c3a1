// The batch window under load, on the offscreen platform:
//   - adding N camera-sized JPEGs (4000 x 3000) through the window, against
//     decoding every one of them fully one after the other (what listing them
//     used to cost), with the longest time the window's event loop went
//     without turning while they were checked;
//   - a run started from the window against `imbrino-cli batch` on the same
//     pictures, template and placement with the same number of workers, as a
//     whole process; the fastest of --runs rounds counts for each.
//
//   batch_dialog_bench [--photos N] [--distinct K] [--run-photos M] [--runs R]
//                      [--jobs W] [--work DIR]
//
// The N pictures are hard links to K distinct photos (8 by default) so a
// thousand of them fit on any disk; each is still read and decoded in full.

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "batch_window/batch_dialog.h"
#include "bench_photo.h"
#include "image/image_io.h"
#include "platform/memory_policy.h"
#include "shared/app_context.h"
#include "shared/prompts.h"
#include "widgets/control_id.h"

namespace fs = std::filesystem;
using namespace imbrino;

namespace {

// Answers what the window asks in a run: the pictures, the template, the
// folder; "no" to the report.
class BenchPrompts final : public Prompts {
 public:
  QStringList files;
  QString templatePath;
  QString folder;

  MessageAnswer message(QWidget*, const QString&, const QString&, MessageIcon,
                        MessageButtons) override {
    return MessageAnswer::No;
  }
  std::optional<QString> openFileName(QWidget*, const QString&,
                                      const std::vector<FileFilter>&) override {
    return templatePath;
  }
  QStringList openFileNames(QWidget*, const QString&, const std::vector<FileFilter>&) override {
    return files;
  }
  std::optional<QString> saveFileName(QWidget*, const QString&, const std::vector<FileFilter>&,
                                      bool) override {
    return std::nullopt;
  }
  std::optional<QString> folderName(QWidget*, const QString&) override { return folder; }
  std::optional<ColorRef> chooseColour(QWidget*, ColorRef) override { return std::nullopt; }
  ColorRef pickColour() override { return 0; }
  bool openUrl(const QString&) override { return true; }
};

QPushButton* button(QWidget& dialog, int id) {
  return findControl<QPushButton>(dialog, id);
}

// Waits in the event loop for the dialog's `signal`, measuring the longest
// gap between turns of a 5 ms timer meanwhile.
template <class Signal>
void waitFor(BatchDialog& dialog, Signal signal, qint64* longestGapMs = nullptr) {
  QEventLoop loop;
  QObject::connect(&dialog, signal, &loop, &QEventLoop::quit);
  QElapsedTimer sinceTick;
  sinceTick.start();
  qint64 longest = 0;
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout,
                   [&] { longest = std::max(longest, sinceTick.restart()); });
  ticks.start(5);
  loop.exec();
  if (longestGapMs) *longestGapMs = longest;
}

void makeInputs(const fs::path& work, int distinct, int count) {
  fs::create_directories(work / "photos");
  for (int k = 0; k < distinct; ++k) {
    const fs::path photo = work / ("distinct-" + std::to_string(k) + ".jpg");
    if (fs::exists(photo)) continue;
    std::cerr << "making " << photo << "\n";
    const Bytes jpeg = bench::encodePhoto(bench::makePhoto(static_cast<std::uint64_t>(k) + 1));
    std::ofstream(photo, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()),
               static_cast<std::streamsize>(jpeg.size()));
  }
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "photo-%04d.jpg", i);
    const fs::path link = work / "photos" / name;
    if (!fs::exists(link))
      fs::create_hard_link(work / ("distinct-" + std::to_string(i % distinct) + ".jpg"), link);
  }
}

QStringList photoPaths(const fs::path& work, int count) {
  QStringList paths;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "photo-%04d.jpg", i);
    paths << QString::fromStdString((work / "photos" / name).string());
  }
  return paths;
}

}  // namespace

int main(int argc, char** argv) {
  // As the desktop program starts.
  keepPictureMemoryForReuse();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  int photos = 1000, distinct = 8, runPhotos = 24, runs = 2;
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  fs::path work = fs::current_path() / "build/bench/dialog";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const std::string value = argv[i + 1];
    if (option == "--photos")
      photos = std::stoi(value);
    else if (option == "--distinct")
      distinct = std::stoi(value);
    else if (option == "--run-photos")
      runPhotos = std::stoi(value);
    else if (option == "--runs")
      runs = std::stoi(value);
    else if (option == "--jobs")
      jobs = std::stoi(value);
    else if (option == "--work")
      work = value;
  }
  work = fs::absolute(work);
  makeInputs(work, distinct, std::max(photos, runPhotos));

  BenchPrompts prompts;
  EditingTemplate editing;
  PictureState picture;
  AppContext context{prompts, SettingsFile((work / "SetupInfor.ini").string()), editing, picture,
                     {},      QString::fromStdString(work.string() + "/")};

  // Adding through the window.
  prompts.files = photoPaths(work, photos);
  qint64 addMs = 0, longestGapMs = 0;
  {
    BatchDialog dialog(context, nullptr);
    dialog.setWorkers(jobs);
    dialog.show();
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(0, [&] { button(dialog, kBatchAddFiles)->click(); });
    waitFor(dialog, &BatchDialog::addingEnded, &longestGapMs);
    addMs = clock.elapsed();
    if (dialog.listedFiles().size() != photos) {
      std::cerr << "only " << dialog.listedFiles().size() << " pictures listed\n";
      return 1;
    }
  }
  // Decoding each fully, one after the other.
  QElapsedTimer clock;
  clock.start();
  for (const QString& path : prompts.files)
    if (!loadPictureFile(path.toStdString())) return 1;
  const qint64 decodeMs = clock.elapsed();
  std::printf(
      "adding %d pictures: %lld ms through the window (%d checkers), %lld ms decoding each "
      "fully; %.1fx faster; the event loop paused at most %lld ms\n",
      photos, static_cast<long long>(addMs), jobs, static_cast<long long>(decodeMs),
      double(decodeMs) / double(std::max<qint64>(1, addMs)), static_cast<long long>(longestGapMs));

  // A run from the window against the command line.
  const QString templatePath = QStringLiteral(IMBRINO_SOURCE_DIR "/assets/samples/showcase.src");
  prompts.files = photoPaths(work, runPhotos);
  prompts.templatePath = templatePath;
  qint64 bestDialog = -1, bestCli = -1;
  for (int round = 0; round < runs; ++round) {
    for (const char* folder : {"out-dialog", "out-cli"}) {
      fs::remove_all(work / folder);
      fs::create_directories(work / folder);
    }
    prompts.folder = QString::fromStdString((work / "out-dialog").string());
    {
      BatchDialog dialog(context, nullptr);
      dialog.setWorkers(jobs);
      dialog.show();
      QTimer::singleShot(0, [&] { button(dialog, kBatchAddFiles)->click(); });
      waitFor(dialog, &BatchDialog::addingEnded);
      emit findControl<QComboBox>(dialog, kBatchTemplate)->activated(1);
      button(dialog, kBatchBrowse)->click();
      QElapsedTimer run;
      run.start();
      QTimer::singleShot(0, [&] { button(dialog, kBatchStart)->click(); });
      waitFor(dialog, &BatchDialog::runEnded);
      const qint64 ms = run.elapsed();
      bestDialog = bestDialog < 0 ? ms : std::min(bestDialog, ms);
    }
    QStringList arguments{QStringLiteral("batch"),
                          QStringLiteral("--template"),
                          templatePath,
                          QStringLiteral("--out"),
                          QString::fromStdString((work / "out-cli").string()),
                          QStringLiteral("--jobs"),
                          QString::number(jobs)};
    arguments << prompts.files;
    QElapsedTimer run;
    run.start();
    QProcess cli;
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cli.start(QStringLiteral(IMBRINO_CLI), arguments);
    cli.waitForFinished(-1);
    const qint64 ms = run.elapsed();
    if (cli.exitCode() != 0) return 1;
    bestCli = bestCli < 0 ? ms : std::min(bestCli, ms);
  }
  std::printf(
      "a run of %d pictures with %d workers: %lld ms from the window, %lld ms by "
      "imbrino-cli batch; ratio %.3f\n",
      runPhotos, jobs, static_cast<long long>(bestDialog), static_cast<long long>(bestCli),
      double(bestDialog) / double(std::max<qint64>(1, bestCli)));
  return 0;
}
