// The protocol over a real socket: an in-process server on 127.0.0.1 with a
// free port, and a plain client.
#include <gtest/gtest.h>

#include <regex>

#include "dictd/dictd_test_util.h"
#include "dictd/mime.h"

namespace lexora::dictd {
namespace {

using test::Client;

class ServerTest : public ::testing::Test {
 protected:
  ServerTest() {
    test::write_test_dictionary(dir_.file("en.zd"),
                                {{u"house", u"<t>haʊs</t> _n. дом, здание; see <r>household</r>"},
                                 {u"House", u"the lower chamber"},
                                 {u"household", u"домашнее хозяйство"},
                                 {u"mouse", u"мышь"},
                                 {u"hose", u"шланг"},
                                 {u".dot", u"first line<br>.second line"},
                                 {u"ice cream", u"мороженое"},
                                 {u"cream", u"сливки"},
                                 {u"robert", u"имя"},
                                 {u"rupert", u"имя"},
                                 {u"o'clock", u"час"}});
    test::write_test_dictionary(dir_.file("ru.zd"),
                                {{u"дом", u"<r>house</r>, home"}, {u"house", u"дом"}});
  }
  ~ServerTest() override {
    if (server_) server_->stop();
  }

  ServerConfig config() {
    ServerConfig c;
    c.address = "127.0.0.1";
    c.port = 0;
    c.threads = 2;
    c.databases = {{"en", dir_.file("en.zd"), "English test"}, {"ru", dir_.file("ru.zd"), ""}};
    return c;
  }

  void start(ServerConfig c) {
    server_ = std::make_unique<Server>(std::move(c));
    std::string error;
    ASSERT_TRUE(server_->start(&error)) << error;
  }

  std::unique_ptr<Client> connect() {
    auto client = std::make_unique<Client>(server_->port());
    EXPECT_EQ(client->line().substr(0, 4), "220 ");
    return client;
  }

  lexora::test::TempDir dir_;
  std::unique_ptr<Server> server_;
};

TEST_F(ServerTest, BannerCarriesCapabilitiesAndAMessageId) {
  start(config());
  Client a(server_->port());
  Client b(server_->port());
  const std::string first = a.line();
  const std::string second = b.line();
  const std::regex banner(R"(220 \S+ lexora-dictd \S+ <mime> <[^<>@ ]+@[^<>@ ]+>)");
  EXPECT_TRUE(std::regex_match(first, banner)) << first;
  EXPECT_TRUE(std::regex_match(second, banner)) << second;
  EXPECT_NE(first.substr(first.rfind('<')), second.substr(second.rfind('<')));
}

TEST_F(ServerTest, DefineSendsEveryEntryAsPlainTextUnderItsHeadword) {
  start(config());
  auto c = connect();
  const std::string r = c->command("DEFINE en HOUSE!");
  EXPECT_EQ(r.substr(0, r.find('\n')), "150 2 definitions retrieved");
  EXPECT_NE(r.find("151 \"house\" en \"English test\"\nhouse\n  [haʊs] n. дом, здание; see "
                   "{household}\n.\n"),
            std::string::npos)
      << r;
  EXPECT_NE(r.find("151 \"House\" en \"English test\"\nHouse\n  the lower chamber\n.\n"),
            std::string::npos)
      << r;
  EXPECT_EQ(r.substr(r.rfind("250")), "250 ok\n");
}

TEST_F(ServerTest, DefineOverAllDatabasesOrTheFirstThatHasTheWord) {
  start(config());
  auto c = connect();
  const std::string all = c->command("DEFINE * house");
  EXPECT_EQ(all.substr(0, all.find('\n')), "150 3 definitions retrieved");
  EXPECT_NE(all.find("151 \"house\" ru \"ru.zd\""), std::string::npos) << all;
  const std::string first = c->command("DEFINE ! house");
  EXPECT_EQ(first.substr(0, first.find('\n')), "150 2 definitions retrieved");
  EXPECT_EQ(first.find(" ru "), std::string::npos);
  const std::string only_ru = c->command("DEFINE ! \"ДОМ\"");
  EXPECT_NE(only_ru.find("151 \"дом\" ru \"ru.zd\"\nдом\n  {house}, home\n.\n"), std::string::npos)
      << only_ru;
}

TEST_F(ServerTest, DefineAnswersUnknownDatabaseAndNoMatch) {
  start(config());
  auto c = connect();
  EXPECT_EQ(c->command("DEFINE fr house").substr(0, 4), "550 ");
  EXPECT_EQ(c->command("DEFINE en housse"), "552 no match\n");
  EXPECT_EQ(c->command("DEFINE * zzz"), "552 no match\n");
}

TEST_F(ServerTest, AnArticleThatCannotBeReadSaysWhy) {
  // The article block is the end of the file: damage its compressed data.
  const std::string path = dir_.file("ru.zd");
  std::vector<std::uint8_t> bytes = lexora::test::read_file(path);
  bytes[bytes.size() - 6] ^= 0xFF;
  bytes[bytes.size() - 7] ^= 0xFF;
  lexora::test::write_file(path, bytes);
  start(config());
  auto c = connect();
  const std::string r = c->command("DEFINE ru house");
  EXPECT_NE(r.find("151 \"house\" ru \"ru.zd\"\nhouse\n  (the article cannot be read: Integrity "
                   "error)\n.\n"),
            std::string::npos)
      << r;
  // The other database is unharmed.
  EXPECT_NE(c->command("DEFINE en mouse").find("мышь"), std::string::npos);
}

TEST_F(ServerTest, TextLinesThatBeginWithADotAreStuffed) {
  start(config());
  auto c = connect();
  c->send_raw("DEFINE en dot\r\n");
  EXPECT_EQ(c->line(), "150 1 definitions retrieved");
  EXPECT_EQ(c->line(), "151 \".dot\" en \"English test\"");
  EXPECT_EQ(c->line(), "..dot");
  EXPECT_EQ(c->line(), "  first line");
  EXPECT_EQ(c->line(), "  .second line");
  EXPECT_EQ(c->line(), ".");
  EXPECT_EQ(c->line(), "250 ok");
}

// The lines of a MATCH reply between "152" and ".".
std::vector<std::string> match_lines(const std::string& reply) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  bool in_block = false;
  while (start < reply.size()) {
    const std::size_t end = reply.find('\n', start);
    const std::string line = reply.substr(start, end - start);
    start = end + 1;
    if (line.starts_with("152 "))
      in_block = true;
    else if (line == ".")
      in_block = false;
    else if (in_block)
      lines.push_back(line);
  }
  return lines;
}

TEST_F(ServerTest, EveryStrategyMatchesFoldedHeadwordsSortedWithoutRepeats) {
  start(config());
  auto c = connect();
  using Lines = std::vector<std::string>;
  EXPECT_EQ(match_lines(c->command("MATCH en exact HOUSE")),
            (Lines{"en \"house\"", "en \"House\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en prefix hou")),
            (Lines{"en \"house\"", "en \"House\"", "en \"household\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en substring OUS")),
            (Lines{"en \"house\"", "en \"House\"", "en \"household\"", "en \"mouse\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en suffix use")),
            (Lines{"en \"house\"", "en \"House\"", "en \"mouse\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en re \"^ho(u|)se$\"")),
            (Lines{"en \"hose\"", "en \"house\"", "en \"House\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en regexp \"^o'c.*k$\"")), (Lines{"en \"o'clock\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en soundex Robbert")),
            (Lines{"en \"robert\"", "en \"rupert\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en word cream")),
            (Lines{"en \"cream\"", "en \"ice cream\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en first ice")), (Lines{"en \"ice cream\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en last CREAM")),
            (Lines{"en \"cream\"", "en \"ice cream\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en lev hous")), (Lines{"en \"house\"", "en \"House\""}));
  EXPECT_EQ(match_lines(c->command("MATCH en . mose")), (Lines{"en \"hose\"", "en \"mouse\""}));
  EXPECT_EQ(match_lines(c->command("MATCH * exact house")),
            (Lines{"en \"house\"", "en \"House\"", "ru \"house\""}));
  EXPECT_EQ(match_lines(c->command("MATCH ! exact house")),
            (Lines{"en \"house\"", "en \"House\""}));
}

TEST_F(ServerTest, MatchReportsItsStatusCodes) {
  start(config());
  auto c = connect();
  const std::string found = c->command("MATCH en prefix hou");
  EXPECT_EQ(found.substr(0, found.find('\n')), "152 3 matches found");
  EXPECT_EQ(found.substr(found.rfind("250")), "250 ok\n");
  EXPECT_EQ(c->command("MATCH en prefix zzz"), "552 no match\n");
  EXPECT_EQ(c->command("MATCH en nosuch hou").substr(0, 4), "551 ");
  EXPECT_EQ(c->command("MATCH fr prefix hou").substr(0, 4), "550 ");
  EXPECT_EQ(c->command("MATCH en re \"(\"").substr(0, 4), "501 ");
  EXPECT_EQ(c->command("MATCH en re \"(a)\\\\1\"").substr(0, 4), "501 ");
}

TEST_F(ServerTest, ShowCommandsListDatabasesStrategiesAndInformation) {
  start(config());
  auto c = connect();
  EXPECT_EQ(c->command("SHOW DB"),
            "110 2 databases present\nen \"English test\"\nru \"ru.zd\"\n.\n250 ok\n");
  EXPECT_EQ(c->command("show databases"), c->command("SHOW DB"));
  const std::string strat = c->command("SHOW STRAT");
  EXPECT_EQ(strat.substr(0, strat.find('\n')), "111 11 strategies available");
  for (const char* s : {"exact", "prefix", "substring", "suffix", "re", "regexp", "soundex", "lev",
                        "word", "first", "last"})
    EXPECT_NE(strat.find(std::string("\n") + s + " \""), std::string::npos) << s;
  const std::string info = c->command("SHOW INFO en");
  EXPECT_EQ(info.substr(0, 4), "112 ");
  EXPECT_NE(info.find("Headwords: 11"), std::string::npos) << info;
  EXPECT_EQ(c->command("SHOW INFO fr").substr(0, 4), "550 ");
  EXPECT_EQ(c->command("SHOW SERVER").substr(0, 4), "114 ");
  EXPECT_EQ(c->command("STATUS").substr(0, 4), "210 ");
  const std::string help = c->command("HELP");
  EXPECT_EQ(help.substr(0, 4), "113 ");
  EXPECT_NE(help.find("DEFINE"), std::string::npos);
  EXPECT_EQ(c->command("CLIENT test client 1.0"), "250 ok\n");
}

TEST_F(ServerTest, OptionMimeAddsHeadersAndOffersTheHtmlPage) {
  start(config());
  auto c = connect();
  EXPECT_EQ(c->command("OPTION MIME").substr(0, 4), "250 ");
  const std::string db = c->command("SHOW DB");
  EXPECT_NE(db.find("110 2 databases present\nContent-Type: text/plain; charset=utf-8\n"
                    "Content-Transfer-Encoding: 8bit\n\nen "),
            std::string::npos)
      << db;
  const std::string r = c->command("DEFINE en household");
  EXPECT_NE(r.find("Content-Type: multipart/alternative; boundary="), std::string::npos) << r;
  EXPECT_NE(r.find("Content-Type: text/plain; charset=utf-8"), std::string::npos);
  EXPECT_NE(r.find("household\n  домашнее хозяйство\n"), std::string::npos);
  EXPECT_NE(r.find("Content-Type: text/html; charset=utf-8\nContent-Transfer-Encoding: base64\n\n" +
                   base64_lines("<html>", 0).substr(0, 8)),
            std::string::npos)
      << r;
}

TEST_F(ServerTest, BadCommandsGetTheirCodesAndTheConnectionLives) {
  start(config());
  auto c = connect();
  EXPECT_EQ(c->command("FROBNICATE").substr(0, 4), "500 ");
  EXPECT_EQ(c->command("DEFINE").substr(0, 4), "501 ");
  EXPECT_EQ(c->command("DEFINE en").substr(0, 4), "501 ");
  EXPECT_EQ(c->command("DEFINE en a b").substr(0, 4), "501 ");
  EXPECT_EQ(c->command("MATCH en prefix").substr(0, 4), "501 ");
  EXPECT_EQ(c->command("SHOW").substr(0, 4), "501 ");
  EXPECT_EQ(c->command("SHOW NOTHING").substr(0, 4), "501 ");
  EXPECT_EQ(c->command("SHOW INFO").substr(0, 4), "501 ");
  EXPECT_EQ(c->command("OPTION FANCY").substr(0, 4), "501 ");
  EXPECT_EQ(c->command("CLIENT").substr(0, 4), "501 ");
  EXPECT_EQ(c->command("AUTH user secret").substr(0, 4), "502 ");
  EXPECT_EQ(c->command("SASLAUTH PLAIN").substr(0, 4), "502 ");
  EXPECT_EQ(c->command("DEFINE en \"open quote").substr(0, 4), "500 ");
  EXPECT_EQ(c->command(std::string("DEF\x01INE\xff\xfe en x", 14)).substr(0, 4), "500 ");
  EXPECT_EQ(c->command("DEFINE en mouse").substr(0, 4), "150 ");
}

TEST_F(ServerTest, QuitSaysByeAndCloses) {
  start(config());
  auto c = connect();
  EXPECT_EQ(c->command("QUIT"), "221 bye\n");
  EXPECT_TRUE(c->closed_by_server());
}

TEST_F(ServerTest, PipelinedCommandsAreAnsweredInOrder) {
  start(config());
  auto c = connect();
  c->send_raw("DEFINE en mouse\nMATCH en exact hose\r\nSTATUS\r\n\r\nQUIT\r\n");
  EXPECT_EQ(c->reply().substr(0, 4), "150 ");
  EXPECT_EQ(c->reply().substr(0, 4), "152 ");
  EXPECT_EQ(c->reply().substr(0, 4), "210 ");
  EXPECT_EQ(c->reply(), "221 bye\n");
  EXPECT_TRUE(c->closed_by_server());
}

TEST_F(ServerTest, NoDatabasesAndNoStrategiesHaveTheirOwnCodes) {
  ServerConfig empty = config();
  empty.databases.clear();
  empty.strategies = std::vector<std::string>{};
  start(std::move(empty));
  auto c = connect();
  EXPECT_EQ(c->command("SHOW DB"), "554 no databases present\n");
  EXPECT_EQ(c->command("DEFINE * house"), "554 no databases present\n");
  EXPECT_EQ(c->command("SHOW STRAT"), "555 no strategies available\n");
}

TEST_F(ServerTest, OnlyTheConfiguredStrategiesAreOffered) {
  ServerConfig some = config();
  some.strategies = std::vector<std::string>{"exact", "PREFIX"};
  start(std::move(some));
  auto c = connect();
  EXPECT_EQ(c->command("SHOW STRAT"),
            "111 2 strategies available\nexact \"Match headwords exactly\"\n"
            "prefix \"Match the beginnings of headwords\"\n.\n250 ok\n");
  EXPECT_EQ(c->command("MATCH en lev hous").substr(0, 4), "551 ");
  // Without lev, the default is the first strategy offered.
  EXPECT_EQ(match_lines(c->command("MATCH en . hose")), (std::vector<std::string>{"en \"hose\""}));
}

TEST_F(ServerTest, StartFailsOnBadConfiguration) {
  ServerConfig missing = config();
  missing.databases.push_back({"gone", dir_.file("gone.zd"), ""});
  Server a(missing);
  std::string error;
  EXPECT_FALSE(a.start(&error));
  EXPECT_NE(error.find("gone.zd"), std::string::npos);
  ServerConfig twice = config();
  twice.databases.push_back({"en", dir_.file("ru.zd"), ""});
  EXPECT_FALSE(Server(twice).start(&error));
  ServerConfig bad_name = config();
  bad_name.databases[0].name = "*";
  EXPECT_FALSE(Server(bad_name).start(&error));
  ServerConfig bad_strategy = config();
  bad_strategy.strategies = std::vector<std::string>{"telepathy"};
  EXPECT_FALSE(Server(bad_strategy).start(&error));
  ServerConfig bad_address = config();
  bad_address.address = "300.1.2.3";
  EXPECT_FALSE(Server(bad_address).start(&error));
}

}  // namespace
}  // namespace lexora::dictd
