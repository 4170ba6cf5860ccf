// Widget tests run against an offscreen QApplication.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QString::fromUtf8("零售后台"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
