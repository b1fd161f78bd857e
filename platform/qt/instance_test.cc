#include "platform/qt/instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <future>

namespace lexora {
namespace {

void app() {
  static int argc = 1;
  static char name[] = "instance_test";
  static char* argv[] = {name, nullptr};
  // A static object, so that it is destroyed (not leaked) at exit.
  if (!QCoreApplication::instance()) static QCoreApplication instance(argc, argv);
}

// Runs `work` on another thread (the side that blocks, as a second process
// would) while this thread serves the listening instance's messages.
template <typename T>
T serve_while(std::function<T()> work) {
  auto future = std::async(std::launch::async, std::move(work));
  while (future.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return future.get();
}

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    ASSERT_TRUE(dir_.isValid());
    qputenv("LEXORA_INSTANCE_DIR", dir_.path().toUtf8());
  }
  void TearDown() override { qunsetenv("LEXORA_INSTANCE_DIR"); }

  QTemporaryDir dir_;
};

TEST_F(InstanceTest, FindMatchesClassAndTitle) {
  InstanceServer server({});
  ASSERT_TRUE(server.publish("Lexora", "Lexora  a.zd"));
  const auto by_class =
      serve_while<std::optional<InstanceRef>>([] { return find_instance("Lexora", ""); });
  ASSERT_TRUE(by_class.has_value());
  EXPECT_EQ(by_class->title, "Lexora  a.zd");

  EXPECT_TRUE(
      serve_while<bool>([] { return find_instance("Lexora", "Lexora  a.zd").has_value(); }));
  EXPECT_FALSE(
      serve_while<bool>([] { return find_instance("Lexora", "Lexora  b.zd").has_value(); }));
  EXPECT_FALSE(serve_while<bool>([] { return find_instance("Other", "").has_value(); }));

  // A title change is seen by the next search.
  server.set_title("Lexora  b.zd");
  EXPECT_TRUE(
      serve_while<bool>([] { return find_instance("Lexora", "Lexora  b.zd").has_value(); }));

  server.withdraw();
  EXPECT_FALSE(serve_while<bool>([] { return find_instance("Lexora", "").has_value(); }));
}

TEST_F(InstanceTest, HandOverAndActivateArePosted) {
  int hand_overs = 0;
  int activations = 0;
  InstanceHandlers handlers;
  handlers.hand_over = [&] { ++hand_overs; };
  handlers.activate = [&] { ++activations; };
  InstanceServer server(handlers);
  ASSERT_TRUE(server.publish("Lexora", "Lexora"));
  const InstanceRef ref{server.socket_path(), "Lexora", "Lexora"};
  EXPECT_TRUE(serve_while<bool>([&] { return activate_instance(ref) && post_hand_over(ref); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(hand_overs, 1);
}

TEST_F(InstanceTest, CloseAnswersAfterTheHandlerHasRun) {
  bool closed = false;
  InstanceHandlers handlers;
  handlers.close = [&] { closed = true; };
  InstanceServer server(handlers);
  ASSERT_TRUE(server.publish("Lexora", "Lexora"));
  const InstanceRef ref{server.socket_path(), "Lexora", "Lexora"};
  // The answer can only arrive once the handler returned.
  EXPECT_TRUE(serve_while<bool>([&] { return close_instance(ref); }));
  EXPECT_TRUE(closed);
}

TEST_F(InstanceTest, CopyDataCarriesKindBytesAndAnswer) {
  std::uint32_t seen_kind = 0;
  std::vector<std::uint8_t> seen;
  InstanceHandlers handlers;
  handlers.copy_data = [&](std::uint32_t kind, const std::vector<std::uint8_t>& data) {
    seen_kind = kind;
    seen = data;
    return kind == 1;
  };
  InstanceServer server(handlers);
  ASSERT_TRUE(server.publish("Lexora", "Lexora"));
  const InstanceRef ref{server.socket_path(), "Lexora", "Lexora"};
  std::vector<std::uint8_t> bytes(60);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 200);
  const auto yes = serve_while<std::optional<bool>>([&] { return send_copy_data(ref, 1, bytes); });
  ASSERT_TRUE(yes.has_value());
  EXPECT_TRUE(*yes);
  EXPECT_EQ(seen_kind, 1u);
  EXPECT_EQ(seen, bytes);
  const auto no = serve_while<std::optional<bool>>([&] { return send_copy_data(ref, 2, bytes); });
  ASSERT_TRUE(no.has_value());
  EXPECT_FALSE(*no);
}

TEST_F(InstanceTest, StaleSocketIsSkippedAndRemoved) {
  // A socket file nobody listens on, as a crashed process leaves behind.
  const QString stale = dir_.path() + "/99999999.sock";
  QFile file(stale);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));  // a plain file: connecting is refused
  file.close();
  InstanceServer server({});
  ASSERT_TRUE(server.publish("Lexora", "Lexora  a.zd"));
  const auto found =
      serve_while<std::optional<InstanceRef>>([] { return find_instance("Lexora", "", 500); });
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->socket_path, server.socket_path());
}

TEST_F(InstanceTest, UnreachableInstanceReportsFailure) {
  const InstanceRef ref{dir_.path() + "/nobody.sock", "Lexora", "Lexora"};
  EXPECT_FALSE(activate_instance(ref, 200));
  EXPECT_FALSE(post_hand_over(ref, 200));
  EXPECT_FALSE(close_instance(ref, 200));
  EXPECT_FALSE(send_copy_data(ref, 1, {}, 200).has_value());
}

}  // namespace
}  // namespace lexora
