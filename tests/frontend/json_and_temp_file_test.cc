// Reading JSON files, creating the temporary file and the merge's failures,
// in process.
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <sys/stat.h>

#include <boost/filesystem/operations.hpp>
#include <gtest/gtest.h>
#include <picojson.h>

#include "frontend/json_file.h"
#include "frontend/merge_options.h"
#include "frontend/temp_file.h"

namespace {

namespace bfs = boost::filesystem;

class Folder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = bfs::temp_directory_path() / bfs::unique_path("qfmtest-%%%%-%%%%");
    bfs::create_directory(folder_);
  }
  void TearDown() override { bfs::remove_all(folder_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  bfs::path folder_;
};

using LoadJsonFileTest = Folder;

TEST_F(LoadJsonFileTest, ReadsWithAndWithoutByteOrderMark) {
  picojson::value plain;
  qfmacro::LoadJsonFile(plain, Write("plain.json", "{\"a\":[1,\"\xE3\x81\x82\"]}"));
  EXPECT_EQ(plain.serialize(), "{\"a\":[1,\"\xE3\x81\x82\"]}");

  picojson::value marked;
  qfmacro::LoadJsonFile(marked, Write("bom.json", "\xEF\xBB\xBF{\"a\":true}"));
  EXPECT_EQ(marked.serialize(), "{\"a\":true}");

  // A short file without a mark is read from its first byte.
  picojson::value number;
  qfmacro::LoadJsonFile(number, Write("short.json", "7"));
  EXPECT_EQ(number.serialize(), "7");
}

TEST_F(LoadJsonFileTest, IgnoresTextAfterTheValue) {
  picojson::value value;
  qfmacro::LoadJsonFile(value, Write("trailing.json", "{\"a\":1} garbage"));
  EXPECT_EQ(value.serialize(), "{\"a\":1}");
}

TEST_F(LoadJsonFileTest, KeepsThePreviousValueWhenNothingCanBeRead) {
  const std::string cases[][2] = {
      {"missing", ""},  // not written
      {"empty.json", ""},
      {"bom-only.json", "\xEF\xBB\xBF"},
      {"syntax.json", "oops"},
      {"half.json", "{\"Type\":\"X\", oops}"},
      {"unclosed.json", "[1, 2"},
      {"mark-twice.json", "\xEF\xBB\xBF\xEF\xBB\xBF{}"},
  };
  for (const auto& c : cases) {
    const std::string path = c[0] == "missing" ? (folder_ / "missing.json").string() : Write(c[0], c[1]);
    picojson::value value{picojson::object{{"kept", picojson::value(true)}}};
    qfmacro::LoadJsonFile(value, path);
    EXPECT_EQ(value.serialize(), "{\"kept\":true}") << c[0];
  }
}

using TempFileTest = Folder;

TEST_F(TempFileTest, CreatesAPrivateUniqueFileWithThePrefix) {
  bfs::path first;
  bfs::path second;
  qfmacro::UniqueFile a = qfmacro::GenerateTempFileIn(folder_.string(), "qfmacro", first);
  qfmacro::UniqueFile b = qfmacro::GenerateTempFileIn(folder_.string(), "qfmacro", second);
  ASSERT_TRUE(a && b);
  EXPECT_NE(first, second);
  EXPECT_EQ(first.parent_path(), folder_);
  EXPECT_EQ(first.filename().string().size(), std::string("qfmacro").size() + 6);
  EXPECT_EQ(first.filename().string().compare(0, 7, "qfmacro"), 0);

  struct stat info {};
  ASSERT_EQ(::stat(first.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(TempFileTest, WritesBytesUnchanged) {
  bfs::path path;
  {
    qfmacro::UniqueFile file = qfmacro::GenerateTempFileIn(folder_.string(), "x", path);
    ASSERT_TRUE(file);
    const std::string bytes("a\r\nb\0c", 6);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.get()), bytes.size());
  }
  std::ifstream in(path.string(), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
            std::string("a\r\nb\0c", 6));
}

TEST_F(TempFileTest, DefaultFolderIsTmp) {
  bfs::path path;
  qfmacro::UniqueFile file = qfmacro::GenerateTempFile("qfmtest-", path);
  ASSERT_TRUE(file);
  EXPECT_EQ(path.parent_path(), bfs::path("/tmp"));
  bfs::remove(path);
}

TEST_F(TempFileTest, MissingFolderGivesNoFileAndLeavesThePathAlone) {
  bfs::path path("unchanged");
  EXPECT_FALSE(qfmacro::GenerateTempFileIn((folder_ / "missing").string(), "qfmacro", path));
  EXPECT_EQ(path, bfs::path("unchanged"));
}

using MergeFailureTest = Folder;

TEST_F(MergeFailureTest, NoTemporaryFileMeansAnErrorWithAText) {
  qfmacro::QFMacroParams params;
  params.macroFile = Write("m.qfmacro", "{}");
  const std::string missing = (folder_ / "missing").string();
  try {
    qfmacro::MergeOptions(params, missing);
    FAIL() << "the merge went on without a file to write to";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("Could not create a temporary macro file in " + missing + ": "),
              std::string::npos)
        << error.what();
  }
  EXPECT_TRUE(params.tempMacroFile.empty());
}

TEST_F(MergeFailureTest, NonObjectDescriptionThrowsTheJsonTypeErrorBeforeAnyFileExists) {
  qfmacro::QFMacroParams params;
  params.macroFile = Write("m.qfmacro", "[1,2]");
  std::string expected;
  try {
    picojson::value(picojson::array()).get<picojson::object>();
  } catch (const std::runtime_error& error) {
    expected = error.what();
  }
  ASSERT_FALSE(expected.empty());
  try {
    qfmacro::MergeOptions(params, folder_.string());
    FAIL() << "an array was merged";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(error.what(), expected);
  }
  EXPECT_TRUE(params.tempMacroFile.empty());
  EXPECT_EQ(std::distance(bfs::directory_iterator(folder_), bfs::directory_iterator()), 1);
}

TEST_F(MergeFailureTest, WritesTheMergedDescriptionIntoTheGivenFolder) {
  qfmacro::QFMacroParams params;
  params.macroFile = Write("m.qfmacro", "{\"Type\":\"MOVIE\"}");
  params.threadCount = 3;  // not part of the description
  qfmacro::MergeOptions(params, folder_.string());
  ASSERT_EQ(params.tempMacroFile.parent_path(), folder_);
  std::ifstream in(params.tempMacroFile.string(), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
            "{\"ExecuteType\":\"CONVERT\",\"OutputType\":\"SOURCE\",\"ProcessIfUpdated\":false,"
            "\"RetainTimeStamp\":false,\"SkipIfExists\":true,\"Type\":\"MOVIE\"}");
}

}  // namespace
