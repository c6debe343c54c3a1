// The look for a newer version as the main window opens: the question only
// for a newer version, the updater started beside the program on Yes, and
// silence for everything else.
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <optional>

#include "app/main_window.h"
#include "app/program_info.h"
#include "app/update_check.h"
#include "gui/support/app_fixture.h"
#include "updater/update_config.h"

using namespace imbrino;

namespace {

const std::string kUrl = "https://updates.example/software/IMB/Update.ini";

std::string manifest(const QString& versions) {
  std::string text = "[Version]\r\n";
  const QStringList parts = versions.split(u'.');
  for (int i = 0; i < parts.size(); ++i)
    if (!parts[i].isEmpty())
      text += "Version" + std::to_string(i + 1) + "=" + parts[i].toStdString() + "\r\n";
  return text;
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
  int ends = 0;

  UpdateCheckSetup setupServing(std::optional<std::string> body,
                                FakeDownloader::Gate* gate = nullptr) {
    UpdateCheckSetup setup;
    setup.programFolder = app->folder.path() + u'/';
    setup.tempFolder = app->folder.path().toStdString() + '/';
    setup.manifestUrl = kUrl;
    setup.makeDownloader = [this, body, gate] {
      return std::make_unique<FakeDownloader>(body, downloads, gate);
    };
    setup.startUpdater = [this](const QString& program, const QStringList& arguments) {
      started << program << arguments;
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
    window = std::make_unique<QMainWindow>();
    downloads = 0;
    started.clear();
    ends = 0;
  }
  void cleanup() {
    window.reset();
    app.reset();
  }

  void asksOnlyForANewerVersion_data() {
    QTest::addColumn<std::optional<std::string>>("served");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("copyKept");
    QTest::newRow("same") << std::optional(manifest("3.7.0.0")) << false << true;
    QTest::newRow("same, fourth part newer") << std::optional(manifest("3.7.0.9")) << false << true;
    QTest::newRow("third part newer") << std::optional(manifest("3.7.1.0")) << true << true;
    QTest::newRow("second part newer") << std::optional(manifest("3.8.0.0")) << true << true;
    QTest::newRow("first part newer") << std::optional(manifest("4.0.0.0")) << true << true;
    QTest::newRow("older") << std::optional(manifest("3.6.99.0")) << false << true;
    QTest::newRow("much older") << std::optional(manifest("2.9.9.9")) << false << true;
    QTest::newRow("newer, no fourth part") << std::optional(manifest("3.8.0.")) << false << false;
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
    QCOMPARE(question.caption, QString::fromUtf8(kProgramTitle));
    QCOMPARE(question.icon, MessageIcon::None);
    QCOMPARE(question.buttons, MessageButtons::YesNo);
    QVERIFY(question.hadOwner);
    QVERIFY(question.onUiThread);
    // No: the program goes on.
    QVERIFY(started.isEmpty());
    QCOMPARE(ends, 0);
  }

  void yesStartsTheUpdaterBesideTheProgramAndEndsIt() {
    app->prompts.messageAnswers.push_back(MessageAnswer::Yes);
    check(setupServing(manifest("3.8.0.0")));
    QCOMPARE(started.size(), 2);
    QCOMPARE(started[0], app->file(QStringLiteral("update")));
    QCOMPARE(started[1], QStringLiteral("[3.7.0.0.] [") + QString::fromStdString(kUrl) + u']');
    QCOMPARE(ends, 1);
    // The updater reads back what it is given.
    const auto arguments = parseUpdaterCommandLine(started[1].toStdString());
    QVERIFY(arguments.has_value());
    QCOMPARE(arguments->version, kBuiltInVersion);
    QCOMPARE(arguments->manifestUrl, kUrl);
  }

  void aProgramFolderThatCannotBeWrittenIsNotChecked() {
    // A folder that does not exist cannot be written to, whoever asks.
    UpdateCheckSetup missing = setupServing(manifest("4.0.0.0"));
    missing.programFolder = app->file(QStringLiteral("gone/"));
    QVERIFY(UpdateCheck::start(*window, app->prompts, missing) == nullptr);

    QVERIFY(QDir(app->folder.path()).mkdir(QStringLiteral("system")));
    const QString system = app->file(QStringLiteral("system/"));
    QVERIFY(QFile::setPermissions(
        system, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    const bool writable = isWritableFolder(system);
    UpdateCheckSetup installed = setupServing(manifest("4.0.0.0"));
    installed.programFolder = system;
    const bool checked = UpdateCheck::start(*window, app->prompts, installed) != nullptr;
    QFile::setPermissions(system, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (writable) QSKIP("the superuser writes into any folder");
    QVERIFY(!checked);
    QCOMPARE(downloads.load(), 0);
  }

  void theWindowWaitsForACheckStillOnTheNetworkAndDropsItsQuestion() {
    FakeDownloader::Gate gate;
    UpdateCheck::start(*window, app->prompts, setupServing(manifest("4.0.0.0"), &gate));
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

  void yesEndsTheProgramWithoutTheSaveQuestion() {
    // The real window with an unsaved picture, its event loop running as the
    // program runs it; the default ending.
    MainWindowSeams seams;
    seams.startUpdateCheck = [this](QMainWindow& shown) {
      UpdateCheckSetup setup = setupServing(manifest("3.7.1.0"));
      setup.endProgram = programUpdateCheckSetup(app->folder.path() + u'/').endProgram;
      UpdateCheck::start(shown, app->prompts, setup);
    };
    MainWindow main(app->context, seams);
    main.show();
    test::whenDialogOpens(
        [](QWidget* dialog) { dialog->findChild<QPushButton*>(QStringLiteral("c1003"))->click(); });
    main.newPicture();
    QVERIFY(main.pictureModified());
    app->prompts.messageAnswers.push_back(MessageAnswer::Yes);
    QTimer guard;
    guard.callOnTimeout([] { QCoreApplication::exit(99); });
    guard.start(10000);
    main.start(QString());
    QCOMPARE(QApplication::exec(), -1);
    QCOMPARE(app->prompts.messageTexts(), QStringList{QStringLiteral("有新版本,是否要升级?")});
    QCOMPARE(started.size(), 2);
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

  void aPublicKeyIsSixtyFourHexDigits() {
    const std::string hex = "00112233445566778899aabbccddeeffFFEEDDCCBBAA99887766554433221100";
    const auto key = parsePublicKeyHex(hex);
    QVERIFY(key.has_value());
    QCOMPARE((*key)[0], std::uint8_t{0x00});
    QCOMPARE((*key)[15], std::uint8_t{0xff});
    QCOMPARE((*key)[16], std::uint8_t{0xff});
    QCOMPARE((*key)[31], std::uint8_t{0x00});
    for (const std::string& bad : {std::string(), hex.substr(1), hex + "0", "zz" + hex.substr(2)})
      QVERIFY(!parsePublicKeyHex(bad).has_value());
  }
};

QTEST_MAIN(UpdateCheckTest)
#include "update_check_test.moc"
