// The look for a newer version as the main window opens: the question only
// for a newer version, the updater started beside the program on Yes, and
// silence for everything else.
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <optional>

#include "gui/support/app_fixture.h"
#include "main_window/main_window.h"
#include "main_window/new_picture_dialog.h"
#include "main_window/update_check.h"
#include "shared/program_texts.h"
#include "support/http_server.h"
#include "support/test_versions.h"
#include "update/update_config.h"
#include "widgets/control_id.h"

using namespace imbrino;

namespace {

const std::string kUrl = "https://updates.example/software/IMB/Update.ini";

std::string manifest(const ProgramVersion& version, std::size_t parts = 4) {
  return test::versionSection(version, parts);
}

// Serves `body` for any address (a failed download without one). With
// `gate`, each download waits until the gate opens, as a slow network would.
class FakeDownloader final : public Downloader {
 public:
  struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    void release() {
      std::lock_guard lock(mutex);
      open = true;
      opened.notify_all();
    }
  };

  FakeDownloader(std::optional<std::string> body, std::atomic<int>& calls, Gate* gate)
      : body_(std::move(body)), calls_(calls), gate_(gate) {}

  Status download(const std::string& url, const std::string& path) override {
    ++calls_;
    if (gate_ != nullptr) {
      std::unique_lock lock(gate_->mutex);
      gate_->opened.wait(lock, [this] { return gate_->open; });
    }
    if (!body_ || url != kUrl) return fail("offline");
    std::ofstream(path, std::ios::binary) << *body_;
    return {};
  }

 private:
  std::optional<std::string> body_;
  std::atomic<int>& calls_;
  Gate* gate_;
};

}  // namespace

class UpdateCheckTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::AppFixture> app;
  std::unique_ptr<QMainWindow> window;
  std::atomic<int> downloads = 0;
  QStringList started;
  bool updaterStarts = true;
  int ends = 0;

  // The updater beside the program, which the fake start never runs.
  void placeUpdater() {
    QFile updater(app->file(QStringLiteral("update")));
    QVERIFY(updater.open(QIODevice::WriteOnly));
    updater.setPermissions(updater.permissions() | QFile::ExeOwner);
  }

  UpdateCheckSetup setupServing(std::optional<std::string> body,
                                FakeDownloader::Gate* gate = nullptr) {
    UpdateCheckSetup setup;
    setup.programFolder = app->folder.path() + u'/';
    setup.tempFolder = app->folder.path().toStdString() + '/';
    setup.manifestUrl = kUrl;
    setup.makeDownloader = [this, body, gate](std::function<bool()>) {
      return std::make_unique<FakeDownloader>(body, downloads, gate);
    };
    setup.startUpdater = [this](const QString& program, const QStringList& arguments) {
      started << program << arguments;
      return updaterStarts;
    };
    setup.endProgram = [this](QMainWindow& ended) {
      QCOMPARE(&ended, window.get());
      ++ends;
    };
    return setup;
  }
  // One check to its end, its question (if any) answered.
  void check(UpdateCheckSetup setup) {
    UpdateCheck* running = UpdateCheck::start(*window, app->prompts, std::move(setup));
    QVERIFY(running != nullptr);
    running->wait();
    QCoreApplication::sendPostedEvents();
  }

 private slots:
  void init() {
    app = std::make_unique<test::AppFixture>();
    // The program's own setup keeps its private folder here.
    qputenv("XDG_CACHE_HOME", app->file(QStringLiteral("cache")).toUtf8());
    window = std::make_unique<QMainWindow>();
    downloads = 0;
    started.clear();
    updaterStarts = true;
    ends = 0;
  }
  void cleanup() {
    qunsetenv("XDG_CACHE_HOME");
    window.reset();
    app.reset();
  }

  void asksOnlyForANewerVersion_data() {
    QTest::addColumn<std::optional<std::string>>("served");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("copyKept");
    QTest::newRow("same") << std::optional(manifest(kBuiltInVersion)) << false << true;
    QTest::newRow("same, fourth part newer")
        << std::optional(manifest(test::sameVersionLaterBuild())) << false << true;
    QTest::newRow("third part newer")
        << std::optional(manifest(test::newerVersion(2))) << true << true;
    QTest::newRow("second part newer")
        << std::optional(manifest(test::newerVersion(1))) << true << true;
    QTest::newRow("first part newer")
        << std::optional(manifest(test::newerVersion(0))) << true << true;
    QTest::newRow("older") << std::optional(manifest(test::olderVersion())) << false << true;
    QTest::newRow("much older") << std::optional(manifest(test::olderVersion(0))) << false << true;
    QTest::newRow("newer, no fourth part")
        << std::optional(manifest(test::newerVersion(1), 3)) << false << false;
    QTest::newRow("an error page")
        << std::optional<std::string>("<html>404</html>") << false << false;
    QTest::newRow("no network") << std::optional<std::string>() << false << false;
  }
  void asksOnlyForANewerVersion() {
    QFETCH(std::optional<std::string>, served);
    QFETCH(bool, asked);
    QFETCH(bool, copyKept);
    check(setupServing(served));
    QCOMPARE(downloads.load(), 1);
    QCOMPARE(QFile::exists(app->file(QStringLiteral("Update.ini"))), copyKept);
    if (!asked) {
      QVERIFY(app->prompts.messages.empty());
      return;
    }
    QCOMPARE(app->prompts.messages.size(), std::size_t{1});
    const AskedMessage& question = app->prompts.messages.front();
    QCOMPARE(question.text, QStringLiteral("有新版本,是否要升级?"));
    QCOMPARE(question.caption, programTitle());
    QCOMPARE(question.icon, MessageIcon::None);
    QCOMPARE(question.buttons, MessageButtons::YesNo);
    QVERIFY(question.hadOwner);
    QVERIFY(question.onUiThread);
    // No: the program goes on.
    QVERIFY(started.isEmpty());
    QCOMPARE(ends, 0);
  }

  void yesStartsTheUpdaterBesideTheProgramAndEndsIt() {
    placeUpdater();
    app->prompts.messageAnswers.push_back(MessageAnswer::Yes);
    check(setupServing(manifest(test::newerVersion(1))));
    QCOMPARE(started.size(), 2);
    QCOMPARE(started[0], app->file(QStringLiteral("update")));
    QCOMPARE(started[1], QString::fromStdString("[" + test::versionText(kBuiltInVersion) + ".] [" +
                                                kUrl + "]"));
    QCOMPARE(ends, 1);
    // The updater reads back what it is given.
    const auto arguments = parseUpdaterCommandLine(started[1].toStdString());
    QVERIFY(arguments.has_value());
    QCOMPARE(arguments->version, kBuiltInVersion);
    QCOMPARE(arguments->manifestUrl, kUrl);
  }

  void aProgramFolderThatCannotBeWrittenIsNotChecked() {
    // A folder that does not exist cannot be written to, whoever asks.
    UpdateCheckSetup missing = setupServing(manifest(test::newerVersion(0)));
    missing.programFolder = app->file(QStringLiteral("gone/"));
    QVERIFY(UpdateCheck::start(*window, app->prompts, missing) == nullptr);

    QVERIFY(QDir(app->folder.path()).mkdir(QStringLiteral("system")));
    const QString system = app->file(QStringLiteral("system/"));
    QVERIFY(QFile::setPermissions(
        system, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    const bool writable = isWritableFolder(system);
    UpdateCheckSetup installed = setupServing(manifest(test::newerVersion(0)));
    installed.programFolder = system;
    const bool checked = UpdateCheck::start(*window, app->prompts, installed) != nullptr;
    QFile::setPermissions(system, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (writable) QSKIP("the superuser writes into any folder");
    QVERIFY(!checked);
    QCOMPARE(downloads.load(), 0);
  }

  void anInstalledLayoutIsNotCheckedEvenWhenWritable() {
    QVERIFY(QDir(app->folder.path()).mkpath(QStringLiteral("share/imbrino/ButtonPic")));
    QVERIFY(QDir(app->folder.path()).mkdir(QStringLiteral("bin")));
    const QString bin = app->file(QStringLiteral("bin/"));
    QVERIFY(programUpdateCheckSetup(bin).programFolder.isEmpty());
    // Its data beside it, the same folder is a portable copy.
    QVERIFY(QDir(bin).mkdir(QStringLiteral("ButtonPic")));
    QCOMPARE(programUpdateCheckSetup(bin).programFolder, bin);
  }

  void theWindowWaitsForACheckStillOnTheNetworkAndDropsItsQuestion() {
    FakeDownloader::Gate gate;
    UpdateCheck::start(*window, app->prompts, setupServing(manifest(test::newerVersion(0)), &gate));
    QTRY_COMPARE(downloads.load(), 1);
    // The network answers only after the window has begun to go.
    std::thread late([&gate] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      gate.release();
    });
    window.reset();  // waits for the check
    late.join();
    QCoreApplication::sendPostedEvents();
    QVERIFY(app->prompts.messages.empty());
    QVERIFY(started.isEmpty());
  }

  void aMissingOrFailingUpdaterIsReportedAndTheProgramGoesOn_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<bool>("starts");
    QTest::newRow("missing") << false << true;
    QTest::newRow("fails to start") << true << false;
  }
  void aMissingOrFailingUpdaterIsReportedAndTheProgramGoesOn() {
    QFETCH(bool, present);
    QFETCH(bool, starts);
    if (present) placeUpdater();
    updaterStarts = starts;
    app->prompts.messageAnswers.push_back(MessageAnswer::Yes);
    check(setupServing(manifest(test::newerVersion(1))));
    QCOMPARE(app->prompts.messages.size(), std::size_t{2});
    const AskedMessage& told = app->prompts.messages.back();
    QVERIFY(told.text.endsWith(app->file(QStringLiteral("update"))));
    QCOMPARE(told.icon, MessageIcon::Error);
    QCOMPARE(started.isEmpty(), !present);
    QCOMPARE(ends, 0);
  }

  void yesAsksTheSaveQuestionFirstAndCancelThereCancelsTheUpdate_data() {
    QTest::addColumn<MessageAnswer>("saveAnswer");
    QTest::addColumn<bool>("updated");
    QTest::newRow("取消") << MessageAnswer::Cancel << false;
    QTest::newRow("否") << MessageAnswer::No << true;
  }
  void yesAsksTheSaveQuestionFirstAndCancelThereCancelsTheUpdate() {
    QFETCH(MessageAnswer, saveAnswer);
    QFETCH(bool, updated);
    placeUpdater();
    // The real window with an unsaved picture, its event loop running as the
    // program runs it; the default ending.
    MainWindowSeams seams;
    seams.startUpdateCheck = [this](QMainWindow& shown) {
      UpdateCheckSetup setup = setupServing(manifest(test::newerVersion(2)));
      setup.endProgram = programUpdateCheckSetup(app->folder.path() + u'/').endProgram;
      UpdateCheck::start(shown, app->prompts, setup);
    };
    MainWindow main(app->context, seams);
    main.show();
    test::whenDialogOpens(
        [](QWidget* dialog) { findControl<QPushButton>(*dialog, kNewPictureCreate)->click(); });
    main.newPicture();
    QVERIFY(main.pictureModified());
    app->prompts.messageAnswers = {MessageAnswer::Yes, saveAnswer};
    QTimer guard;
    guard.callOnTimeout([] { QCoreApplication::exit(99); });
    guard.start(updated ? 10000 : 1000);
    main.start(QString());
    QCOMPARE(QApplication::exec(), updated ? -1 : 99);
    QCOMPARE(app->prompts.messageTexts(), (QStringList{QStringLiteral("有新版本,是否要升级?"),
                                                       QStringLiteral("是否要保存当前新建文件?")}));
    QCOMPARE(started.size(), updated ? 2 : 0);
    QCOMPARE(main.pictureModified(), !updated);
  }

  void theProgramsCheckUsesAPrivateFolderAndTheUpdatersManifestLimit() {
    const UpdateCheckSetup setup = programUpdateCheckSetup(app->folder.path() + u'/');
    QCOMPARE(setup.tempFolder, app->file(QStringLiteral("cache/imbrino/")).toStdString());
    QVERIFY(isPrivateFolder(setup.tempFolder));

    // A manifest as large as the updater reads is read here too; one byte more is not.
    test::HttpServer server;
    for (const std::uint64_t size : {kMaxManifestBytes, kMaxManifestBytes + 1}) {
      std::string body = manifest(test::newerVersion(1)) + ";";  // and a long comment
      body.resize(size, 'x');
      server.serveBody("/Update.ini", body);
      const auto downloader = setup.makeDownloader([] { return false; });
      QCOMPARE(
          checkForUpdate(*downloader, setup.tempFolder, server.url("/Update.ini"), kBuiltInVersion),
          size == kMaxManifestBytes);
    }
  }

  void closingTheWindowStopsACheckStillOnTheNetworkAtOnce() {
    test::HttpServer server;
    server.set("/Update.ini", {test::HttpServer::Reply::Stalled, "[Version]", ""});
    UpdateCheckSetup setup = programUpdateCheckSetup(app->folder.path() + u'/');
    setup.tempFolder = app->folder.path().toStdString() + '/';
    setup.manifestUrl = server.url("/Update.ini");
    QVERIFY(UpdateCheck::start(*window, app->prompts, setup) != nullptr);
    QTRY_COMPARE(server.requests("/Update.ini"), 1);
    QElapsedTimer closing;
    closing.start();
    window.reset();
    QVERIFY2(closing.elapsed() < 2000, QByteArray::number(closing.elapsed()));
    QCoreApplication::sendPostedEvents();
    QVERIFY(app->prompts.messages.empty());
  }

  void theManifestAddressIsTheBuildsUnlessTheEnvironmentNamesOne() {
    QCOMPARE(manifestUrlOnHost("https://mirror.example"),
             std::string("https://mirror.example/software/IMB/Update.ini"));
    QCOMPARE(manifestUrlOnHost("https://mirror.example/"),
             std::string("https://mirror.example/software/IMB/Update.ini"));
    qputenv("IMBRINO_UPDATE_URL", "http://127.0.0.1:8080/Update.ini");
    QCOMPARE(configuredManifestUrl(), std::string("http://127.0.0.1:8080/Update.ini"));
    qputenv("IMBRINO_UPDATE_URL", "");
    QVERIFY(configuredManifestUrl().ends_with("/software/IMB/Update.ini"));
    qunsetenv("IMBRINO_UPDATE_URL");
  }
};

QTEST_MAIN(UpdateCheckTest)
#include "update_check_test.moc"
