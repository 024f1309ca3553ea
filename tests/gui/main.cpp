// Test program entry: an offscreen QApplication, and a fresh temporary working folder so that
// the result.dat written by Run, and the settings, never land in the source or build tree or
// the user's settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Closing the last test window must not end anything: the tests go on after it.
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  QTemporaryDir work;
  if (!work.isValid() || !QDir::setCurrent(work.path())) return 2;
  // The settings the program keeps between sessions (the recent files) stay in the folder too.
  for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, work.path());
  return RUN_ALL_TESTS();
}
