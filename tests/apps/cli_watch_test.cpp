#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "apps/cli_folder.h"
#include "apps/cli_runner.h"
#include "image/image_io.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

using namespace std::chrono_literals;

bool appears(const std::string& path) {
  for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;
       std::this_thread::sleep_for(10ms))
    if (std::filesystem::exists(path)) return true;
  return false;
}

class CliWatch : public test::CliFolder {
 protected:
  void TearDown() override {
    if (pid > 0) stop(SIGKILL);
  }

  // A picture at `name` under the test's folder.
  void put(const std::string& name) {
    const Surface picture = test::makeTestPicture(40, 30);
    test::writeBytes(folder.file(name),
                     encodePicture(picture, codecFormatOf(imageTypeOfPath(name))).value());
  }

  // Starts the watch with its standard error in log.txt.
  void start() {
    pid = ::fork();
    if (pid != 0) return;
    const int log = ::open(folder.file("log.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ::dup2(log, STDERR_FILENO);
    ::execl(IMBRINO_CLI, IMBRINO_CLI, "watch", folder.file("in").c_str(), "--out", out.c_str(),
            "--template", templatePath.c_str(), "--anchor", "top-left", "--verbose", nullptr);
    ::_exit(127);
  }

  int stop(int signal) {
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  pid_t pid = -1;
};

TEST_F(CliWatch, StampsWhatArrivesAsBatchDoesAndSkipsWhatIsDoneOnRestart) {
  put("in/ready.png");
  start();
  ASSERT_TRUE(appears(out + "/ready.png"));  // listed once the folder is watched

  put("slow.jpg");
  const Bytes slow = test::readBytes(folder.file("slow.jpg"));
  std::ofstream file(folder.file("in/slow.jpg"), std::ios::binary);
  for (std::size_t at = 0; at < slow.size(); at += 1000) {
    file.write(reinterpret_cast<const char*>(slow.data() + at),
               static_cast<std::streamsize>(std::min<std::size_t>(slow.size() - at, 1000)));
    file.flush();
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(std::filesystem::exists(out + "/slow.jpg"));
  }
  file.close();
  ASSERT_TRUE(appears(out + "/slow.jpg"));
  put("moved.gif");
  std::filesystem::rename(folder.file("moved.gif"), folder.file("in/moved.gif"));
  for (const char* name : {"broken.jpg", ".hidden.png", "x.png.part", "notes.txt"})
    test::writeBytes(folder.file(std::string("in/") + name), Bytes{0xFF, 0xD8, 0xFF});
  put("in/after.png");
  ASSERT_TRUE(appears(out + "/after.png"));
  EXPECT_EQ(stop(SIGINT), 130);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 4);  // and moved.gif
  const Bytes log = test::readBytes(folder.file("log.txt"));
  const std::string said(log.begin(), log.end());
  EXPECT_NE(said.find("imbrino-cli: " + folder.file("in/broken.jpg")), std::string::npos) << said;
  EXPECT_NE(said.find("slow.jpg: mark 6 x 4 at top-left"), std::string::npos) << said;
  ASSERT_EQ(runCli("batch --template " + templatePath + " --anchor top-left --out " +
                   folder.file("batch") + " " + folder.file("slow.jpg"))
                .exitCode,
            0);
  EXPECT_EQ(test::readBytes(out + "/slow.jpg"), test::readBytes(folder.file("batch/slow.jpg")));

  const auto before = std::filesystem::last_write_time(out + "/ready.png");
  start();
  put("in/new.png");
  ASSERT_TRUE(appears(out + "/new.png"));  // after the folder's listing
  EXPECT_EQ(stop(SIGTERM), 0);
  EXPECT_EQ(std::filesystem::last_write_time(out + "/ready.png"), before);
}

TEST_F(CliWatch, RefusesAtStartWhatCannotWork) {
  test::writeBytes(folder.file("file"), Bytes{1});
  test::writeBytes(folder.file("bad.src"), Bytes{1, 2, 3});
  const std::string in = folder.file("in"), usual = " --template " + templatePath;
  const struct {
    std::string arguments;
    int exitCode;
  } cases[] = {
      {in + " --out " + in + "/." + usual, 2},
      {folder.file("missing") + " --out " + out + usual, 4},
      {folder.file("file") + " --out " + out + usual, 4},
      {in + " --out " + folder.file("file/sub") + usual, 4},
      {in + " --out " + out + " --template " + folder.file("bad.src"), 3},
  };
  for (const auto& c : cases) {
    const CliRun run = runCli("watch " + c.arguments, true);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
    EXPECT_EQ(run.out.rfind("imbrino-cli: ", 0), 0u) << run.out;
  }
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

}  // namespace
}  // namespace imbrino
