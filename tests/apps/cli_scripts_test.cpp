// imbrino-cli batch as scripts and job engines drive it: long lists, shards,
// resumed runs and the JSON Lines report.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "apps/cli_folder.h"
#include "apps/cli_runner.h"
#include "file_list.h"
#include "image/image_io.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

namespace fs = std::filesystem;
using cli::Shard;

TEST(FileList, LinesOrNulsWithAnyBytesAndNoBlanks) {
  std::istringstream lines("a b.jpg\r\n\n样张.png\nraw\xB5.gif\n");
  EXPECT_EQ(cli::readFileList(lines, false),
            (std::vector<std::string>{"a b.jpg", "样张.png", "raw\xB5.gif"}));
  std::istringstream nuls(std::string("one\nline.jpg\0\0two.png\0", 22));
  EXPECT_EQ(cli::readFileList(nuls, true), (std::vector<std::string>{"one\nline.jpg", "two.png"}));
}

TEST(FileList, ShardsTakeEveryItemExactlyOnceInOrder) {
  for (int count = 1; count <= 7; ++count)
    for (int size = 0; size <= 20; ++size) {
      std::vector<std::string> items;
      for (int i = 0; i < size; ++i) items.push_back(std::to_string(i));
      std::vector<int> taken(static_cast<std::size_t>(size), 0);
      for (int index = 1; index <= count; ++index) {
        int last = -1;
        for (const std::string& item : cli::takeShard(items, {index, count})) {
          const int at = std::stoi(item);
          EXPECT_EQ(at % count, index - 1);
          EXPECT_GT(at, last);
          last = at;
          ++taken[static_cast<std::size_t>(at)];
        }
      }
      for (int times : taken) EXPECT_EQ(times, 1) << size << " items, " << count << " shards";
    }
}

TEST(FileList, ShardTextAndTheJobEnginesEnvironment) {
  EXPECT_EQ(cli::parseShard("2/5"), (Shard{2, 5}));
  for (const char* bad : {"0/3", "4/3", "1/0", "x/2", "1/", "2", "-1/3"})
    EXPECT_FALSE(cli::parseShard(bad)) << bad;

  static std::map<std::string, std::string> variables;
  const cli::Environment environment = [](const char* name) -> std::optional<std::string> {
    const auto found = variables.find(name);
    return found == variables.end() ? std::nullopt : std::optional(found->second);
  };
  const struct {
    std::map<std::string, std::string> variables;
    std::optional<Shard> shard;
  } cases[] = {
      {{}, std::nullopt},
      {{{"SLURM_ARRAY_TASK_ID", "3"},
        {"SLURM_ARRAY_TASK_MIN", "1"},
        {"SLURM_ARRAY_TASK_COUNT", "4"}},
       Shard{3, 4}},
      {{{"SLURM_ARRAY_TASK_ID", "0"},
        {"SLURM_ARRAY_TASK_MIN", "0"},
        {"SLURM_ARRAY_TASK_COUNT", "4"}},
       Shard{1, 4}},
      {{{"SLURM_ARRAY_TASK_ID", "3"}}, std::nullopt},
      {{{"JOB_COMPLETION_INDEX", "0"}, {"IMBRINO_SHARD_COUNT", "8"}}, Shard{1, 8}},
      {{{"JOB_COMPLETION_INDEX", "8"}, {"IMBRINO_SHARD_COUNT", "8"}}, std::nullopt},
  };
  for (const auto& c : cases) {
    variables = c.variables;
    EXPECT_EQ(cli::shardFromEnvironment(environment), c.shard) << c.variables.size();
  }
}

class CliScripts : public test::CliFolder {
 protected:
  std::vector<nlohmann::json> jsonLines(const std::string& path) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(std::string(reinterpret_cast<const char*>(test::readBytes(path).data()),
                                      test::readBytes(path).size()));
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    // Lines come as pictures end; "index" gives the list's order.
    std::sort(lines.begin(), lines.end(),
              [](const auto& a, const auto& b) { return a["index"] < b["index"]; });
    return lines;
  }
};

// Odd names come through a NUL-separated list on standard input; each line
// of the report follows the documented schema.
TEST_F(CliScripts, NulListOfOddNamesAndTheJsonReport) {
  const std::vector<std::string> names = {"with space.jpg", "样张 (1).png", "raw\xB5.png"};
  std::string list;
  for (const std::string& name : names) list += picture(name) + '\0';
  test::writeBytes(folder.file("in/broken.png"), Bytes{1, 2, 3});
  list += folder.file("in/broken.png") + '\0';
  test::writeBytes(folder.file("list"),
                   {reinterpret_cast<const std::uint8_t*>(list.data()), list.size()});
  const std::string json = folder.file("report.jsonl");
  const CliRun run =
      runCli("batch --template " + templatePath + " --out " + out +
             " --files-from - --null --report-json " + json + " < " + folder.file("list"));
  EXPECT_EQ(run.exitCode, 1);
  for (const std::string& name : names) EXPECT_TRUE(fs::exists(out + "/" + name)) << name;

  const std::vector<nlohmann::json> lines = jsonLines(json);
  ASSERT_EQ(lines.size(), 4u);
  nlohmann::json first = lines[0];
  EXPECT_TRUE(first["milliseconds"].is_number_integer());
  first.erase("milliseconds");
  EXPECT_EQ(first, nlohmann::json({{"index", 1},
                                   {"input", folder.file("in/with space.jpg")},
                                   {"output", out + "/with space.jpg"},
                                   {"status", "saved"},
                                   {"reason", nullptr},
                                   {"width", 20},
                                   {"height", 10},
                                   {"bytes_in", fs::file_size(folder.file("in/with space.jpg"))},
                                   {"bytes_out", fs::file_size(out + "/with space.jpg")},
                                   {"jpeg", "reencode"}}));
  EXPECT_TRUE(lines[1]["jpeg"].is_null());
  EXPECT_EQ(lines[3]["status"], "failed");
  EXPECT_FALSE(lines[3]["reason"].get<std::string>().empty());
  EXPECT_TRUE(lines[3]["width"].is_null());
}

// A run killed half-way leaves only whole outputs; run again with
// --skip-existing it finishes the set without redoing what was done.
TEST_F(CliScripts, AKilledRunResumes) {
  std::string files;
  for (int i = 0; i < 40; ++i) files += " " + picture("p" + std::to_string(i) + ".png", 900, 700);
  const std::string command = std::string(IMBRINO_CLI) +
                              " batch --jobs 1 --skip-existing --template " + templatePath +
                              " --out " + out + files;
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", ("exec " + command + " >/dev/null 2>&1").c_str(), nullptr);
    _exit(127);
  }
  fs::create_directories(out);
  for (int tries = 0; tries < 500 && std::distance(fs::directory_iterator(out), {}) < 5; ++tries)
    usleep(10'000);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  // Outputs appear by rename when whole; a write cut short leaves at most
  // a hidden temporary, never a picture.
  int whole = 0;
  for (const auto& entry : fs::directory_iterator(out)) {
    if (entry.path().filename().string()[0] == '.') continue;
    EXPECT_TRUE(loadPictureFile(entry.path().string())) << entry.path();
    ++whole;
  }
  ASSERT_GT(whole, 0);
  ASSERT_LT(whole, 40) << "the run ended before it was killed";

  const CliRun again =
      runCli("batch --skip-existing --template " + templatePath + " --out " + out + files);
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_NE(again.out.find("已完成而跳过的有" + std::to_string(whole) + "个"), std::string::npos)
      << again.out;
  for (int i = 0; i < 40; ++i) EXPECT_TRUE(fs::exists(out + "/p" + std::to_string(i) + ".png"));
}

}  // namespace
}  // namespace imbrino
