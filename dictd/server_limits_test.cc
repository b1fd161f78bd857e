// Limits and misbehaving clients, over a real socket.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "dictd/dictd_test_util.h"

namespace lexora::dictd {
namespace {

using test::Client;

constexpr int kManyWords = 3000;

class ServerLimitsTest : public ::testing::Test {
 protected:
  ServerLimitsTest() {
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    for (int i = 0; i < kManyWords; ++i) {
      std::u16string word = u"word";
      for (char c : std::to_string(i)) word += static_cast<char16_t>(c);
      entries.emplace_back(word, u"an article long enough to make the answers big " + word);
    }
    test::write_test_dictionary(dir_.file("big.zd"), entries);
  }
  ~ServerLimitsTest() override {
    if (server_) server_->stop();
  }

  void start(Limits limits = {}) {
    ServerConfig c;
    c.port = 0;
    c.threads = 2;
    c.limits = limits;
    c.databases = {{"big", dir_.file("big.zd"), ""}};
    server_ = std::make_unique<Server>(std::move(c));
    std::string error;
    ASSERT_TRUE(server_->start(&error)) << error;
  }

  std::unique_ptr<Client> connect() {
    auto client = std::make_unique<Client>(server_->port());
    EXPECT_EQ(client->line().substr(0, 4), "220 ");
    return client;
  }

  // Waits (bounded) until the server counts `n` open connections.
  bool wait_for_connections(std::size_t n) {
    for (int i = 0; i < 500; ++i) {
      if (server_->open_connections() == n) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  lexora::test::TempDir dir_;
  std::unique_ptr<Server> server_;
};

TEST_F(ServerLimitsTest, OverlongLinesAreRefusedAndTheConnectionClosed) {
  start();
  auto with_end = connect();
  EXPECT_EQ(with_end->command("DEFINE big " + std::string(1100, 'a')).substr(0, 4), "500 ");
  EXPECT_TRUE(with_end->closed_by_server());
  // No line end at all: refused as soon as the limit is passed.
  auto endless = connect();
  endless->send_raw(std::string(5000, 'x'));
  EXPECT_EQ(endless->line().substr(0, 4), "500 ");
  EXPECT_TRUE(endless->closed_by_server());
  // A line of exactly 1024 bytes with its CR LF is still fine.
  auto longest = connect();
  const std::string command = "DEFINE big ";
  EXPECT_EQ(longest->command(command + std::string(1022 - command.size(), 'b')), "552 no match\n");
}

TEST_F(ServerLimitsTest, AClientThatVanishesMidAnswerCostsOnlyItsConnection) {
  start();
  {
    auto c = connect();
    std::string many;
    for (int i = 0; i < 200; ++i) many += "MATCH big substring word\r\n";
    c->send_raw(many);
    // Read a little of the answer, then vanish with most of it unsent.
    EXPECT_EQ(c->line().substr(0, 4), "152 ");
    linger off{1, 0};  // reset, not an orderly close
    ::setsockopt(c->fd(), SOL_SOCKET, SO_LINGER, &off, sizeof off);
  }
  EXPECT_TRUE(wait_for_connections(0));
  auto next = connect();
  EXPECT_EQ(next->command("DEFINE big word7").substr(0, 4), "150 ");
}

TEST_F(ServerLimitsTest, GarbageGetsErrorsWithoutHarm) {
  start();
  auto c = connect();
  std::string garbage;
  for (int i = 0; i < 256; ++i) garbage += static_cast<char>(i == '\n' ? 'x' : i);
  EXPECT_EQ(c->command(garbage).substr(0, 4), "500 ");
  EXPECT_EQ(c->command("\xc3\x28 \xe2\x82").substr(0, 4), "500 ");
  EXPECT_EQ(c->command("DEFINE big \"\xff\xfe\"").substr(0, 4), "552 ");
  EXPECT_EQ(c->command("DEFINE big word1").substr(0, 4), "150 ");
}

TEST_F(ServerLimitsTest, IdleConnectionsAreClosed) {
  Limits limits;
  limits.idle_timeout_seconds = 1;
  start(limits);
  auto c = connect();
  const auto before = std::chrono::steady_clock::now();
  EXPECT_TRUE(c->closed_by_server());
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(900));
}

TEST_F(ServerLimitsTest, TheCommandLimitEndsTheConnection) {
  Limits limits;
  limits.max_commands = 3;
  start(limits);
  auto c = connect();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(c->command("STATUS").substr(0, 4), "210 ");
  EXPECT_EQ(c->command("STATUS").substr(0, 4), "420 ");
  EXPECT_TRUE(c->closed_by_server());
}

TEST_F(ServerLimitsTest, ClientsOverTheLimitAreTurnedAway) {
  Limits limits;
  limits.max_clients = 1;
  start(limits);
  auto first = connect();
  Client second(server_->port());
  EXPECT_EQ(second.line().substr(0, 4), "420 ");
  EXPECT_TRUE(second.closed_by_server());
  EXPECT_EQ(first->command("DEFINE big word2").substr(0, 4), "150 ");
}

TEST_F(ServerLimitsTest, StoppingSays421ToEveryConnection) {
  start();
  auto a = connect();
  auto b = connect();
  server_->stop();
  EXPECT_EQ(a->line(), "421 server shutting down");
  EXPECT_EQ(b->line(), "421 server shutting down");
  EXPECT_TRUE(a->closed_by_server());
  EXPECT_EQ(server_->open_connections(), 0u);
}

TEST_F(ServerLimitsTest, ManyClientsAtOnceAllGetTheirAnswers) {
  start();
  constexpr int kClients = 16;
  std::vector<std::thread> threads;
  std::atomic<int> good{0};
  for (int t = 0; t < kClients; ++t) {
    threads.emplace_back([&, t] {
      Client c(server_->port());
      if (c.line().substr(0, 4) != "220 ") return;
      for (int i = 0; i < 20; ++i) {
        const std::string w = "word" + std::to_string(t * 100 + i);
        if (c.command("DEFINE big " + w).find("151 \"" + w + "\"") == std::string::npos) return;
        if (c.command("MATCH big prefix " + w).substr(0, 4) != "152 ") return;
      }
      ++good;
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(good.load(), kClients);
}

}  // namespace
}  // namespace lexora::dictd
