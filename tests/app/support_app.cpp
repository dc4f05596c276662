#include "support_app.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QByteArray>
#include <cstdlib>
#include <stdexcept>

#include "app/tarlowapplication.h"
#include "platform/environment.h"

std::string MakeTempDir(const char* prefix) {
  std::string pattern = std::string("/tmp/") + prefix + "XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  TarlowApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Tarlow from Oracle"));
  platform::setCommandLine(std::vector<std::string>{});
  return RUN_ALL_TESTS();
}
