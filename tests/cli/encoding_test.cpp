#include <gtest/gtest.h>

#include "cli_support.hpp"

namespace tessaly::cli {
namespace {

using namespace tessaly::cli::test;
using tessaly::test::Gbk;

class EncodingTest : public CliTest {};

// The sample as a spreadsheet program on a Chinese Windows saves it: GBK, no mark.
const std::string kGbkCsv = "id,name,model,listFlag,modes,music,storyOrder\r\n1," + Gbk("测试") +
                            ",5,11,110000,3,0\r\n2,a:b::::::c,300,10,000101,7,1\r\n"
                            "3,,7,11,110000,3,0\r\n";

TEST_F(EncodingTest, GbkExportAndImportGiveTheBytesOfUtf8) {
  const std::string sample = Write("Meteor.res", SampleFile());
  const CliRun exported = Cli({"export", "--csv", "--encoding", "gbk", sample});
  EXPECT_EQ(exported.status, kExitOk);
  EXPECT_EQ(exported.out, kGbkCsv);

  const std::string viaUtf8 = Write("utf8.res", SampleFile());
  const std::string viaGbk = Write("gbk.res", SampleFile());
  ASSERT_EQ(
      Cli({"import", viaUtf8, Write("maps.csv", AsBytes(Cli({"export", "--csv", sample}).out))})
          .status,
      kExitOk);
  ASSERT_EQ(Cli({"import", "--encoding", "GBK", viaGbk, Write("gbk.csv", AsBytes(kGbkCsv))}).status,
            kExitOk);
  EXPECT_EQ(tessaly::test::ReadFile(viaGbk), tessaly::test::ReadFile(viaUtf8));

  const std::string json = R"({"maps": [{"name": ")" + Gbk("新图") +
                           R"(", "model": 1, "listFlag": 11, "modes": 1, "music": 1,
                           "storyOrder": 1}]})";
  ASSERT_EQ(Cli({"import", "--encoding", "gbk", viaGbk, Write("gbk.json", AsBytes(json))}).status,
            kExitOk);
  EXPECT_EQ(Cli({"list", viaGbk}).out, "1:新图\n");
}

TEST_F(EncodingTest, WhatCannotBeReadOrWrittenIsRefusedWithWhereAndHow) {
  const std::string file = Write("Meteor.res", SampleFile());
  const std::string header = "id,name,model,listFlag,modes,music,storyOrder\r\n";
  const struct {
    std::vector<std::string> args;
    std::string maps;
    std::string message;
  } cases[] = {
      {{}, kGbkCsv, "CSV文件不是UTF-8编码，但可以按GBK读取"},
      {{"--encoding", "gbk"},
       header + "1,\xB2\xE2\x81\x20,5,11,1,1,1\r\n",
       "CSV第2行第4个字符：字节 81 20 不是GBK字符"},
      {{"--encoding", "gbk"}, std::string(kUtf8Bom) + header, "请去掉 --encoding gbk"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"import"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(file);
    args.push_back(Write("maps.csv", AsBytes(c.maps)));
    const CliRun run = Cli(args);
    EXPECT_EQ(run.status, kExitFileError) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_EQ(tessaly::test::ReadFile(file), SampleFile());

  // A name whose loaded bytes are no GBK character cannot be written as GBK.
  const std::string odd =
      Write("odd.res", tessaly::test::ResBuilder().Record({.nameBytes = "\x80\x41"}).bytes());
  const CliRun run = Cli({"export", "--csv", "--encoding", "gbk", odd});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_NE(run.err.find("第1个地图“\xEF\xBF\xBD”的名称含有GBK无法表示的字符"), std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace tessaly::cli
