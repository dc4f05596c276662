#include "support_app.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QByteArray>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <stdexcept>

#include "app/tarlowapplication.h"
#include "platform/environment.h"

std::string MakeTempDir(const char* prefix) {
  std::string pattern = std::string("/tmp/") + prefix + "XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

namespace {

// Every test starts with an empty settings folder of its own, so no test
// sees the placement or panel width another one left behind, and none
// touches the user's own settings.
class FreshSettingsFolder : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    folder_ = MakeTempDir("tarlow_config_");
    ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::string folder_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettingsFolder);
  TarlowApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Tarlow from Oracle"));
  platform::setCommandLine(std::vector<std::string>{});
  return RUN_ALL_TESTS();
}
