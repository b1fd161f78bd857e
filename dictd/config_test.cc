#include "dictd/config.h"

#include <gtest/gtest.h>

#include "testing/test_files.h"

namespace lexora::dictd {
namespace {

TEST(ConfigTest, ReadsEverySetting) {
  ServerConfig config;
  std::string error;
  ASSERT_TRUE(
      parse_config("# comment\n\n"
                   "database en-ru en-ru.zd English \"to\" Russian\n"
                   "database abs /data/x.zd\r\n"
                   "strategies exact lev\n"
                   "address ::1\nport 2700\nthreads 3\n"
                   "  idle-timeout 60\nmax-clients 10\nmax-commands 99\n",
                   "/etc/lexora", &config, &error))
      << error;
  ASSERT_EQ(config.databases.size(), 2u);
  EXPECT_EQ(config.databases[0].name, "en-ru");
  EXPECT_EQ(config.databases[0].path, "/etc/lexora/en-ru.zd");
  EXPECT_EQ(config.databases[0].description, "English to Russian");
  EXPECT_EQ(config.databases[1].path, "/data/x.zd");
  EXPECT_EQ(config.databases[1].description, "");
  EXPECT_EQ(config.strategies, (std::vector<std::string>{"exact", "lev"}));
  EXPECT_EQ(config.address, "::1");
  EXPECT_EQ(config.port, 2700);
  EXPECT_EQ(config.threads, 3);
  EXPECT_EQ(config.limits.idle_timeout_seconds, 60);
  EXPECT_EQ(config.limits.max_clients, 10u);
  EXPECT_EQ(config.limits.max_commands, 99u);
}

TEST(ConfigTest, BadLinesAreReportedWithTheirNumbers) {
  ServerConfig config;
  std::string error;
  EXPECT_FALSE(parse_config("port 2628\nport 70000\n", "", &config, &error));
  EXPECT_EQ(error, "line 2: bad value for port: 70000");
  EXPECT_FALSE(parse_config("colour blue\n", "", &config, &error));
  EXPECT_EQ(error, "line 1: unknown setting colour");
  EXPECT_FALSE(parse_config("database only-a-name\n", "", &config, &error));
  EXPECT_FALSE(parse_config("threads 2x\n", "", &config, &error));
  EXPECT_FALSE(parse_config("address \"open\n", "", &config, &error));
  EXPECT_FALSE(parse_config("port\n", "", &config, &error));
}

TEST(ConfigTest, FilesResolvePathsBesideThemselvesAndNameDatabasesByFile) {
  test::TempDir dir;
  test::write_file(dir.file("d.conf"), std::string("database x sub/x.zd\n"));
  ServerConfig config;
  std::string error;
  ASSERT_TRUE(read_config_file(dir.file("d.conf"), &config, &error)) << error;
  EXPECT_EQ(config.databases[0].path, dir.path() + "/sub/x.zd");
  EXPECT_FALSE(read_config_file(dir.file("none.conf"), &config, &error));
  EXPECT_EQ(database_for_file("/a/b/en-ru.zd").name, "en-ru");
  EXPECT_EQ(database_for_file("plain").name, "plain");
  EXPECT_EQ(database_name_for_path(".hidden"), ".hidden");
  EXPECT_TRUE(is_valid_database_name("en-ru"));
  EXPECT_FALSE(is_valid_database_name("en ru"));
  EXPECT_FALSE(is_valid_database_name("!"));
  EXPECT_FALSE(is_valid_database_name(""));
}

}  // namespace
}  // namespace lexora::dictd
