// Entry point of the test programs that need widgets: one QApplication for
// the whole run, made in main() so that it is destroyed before Qt's own
// process-wide objects (a static application object outlives them and
// crashes at exit). Without a display the tests use the offscreen platform,
// also while CTest lists them at build time.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
