// Points the settings store at a temporary folder before any test runs, so that no test
// touches the user's settings.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

class CSettingsFolder : public ::testing::Environment {
public:
    void SetUp() override {
        m_pDir = std::make_unique<CTempDir>();
        setenv("XDG_CONFIG_HOME", m_pDir->Path().c_str(), 1);
    }
    void TearDown() override { m_pDir.reset(); }

private:
    std::unique_ptr<CTempDir> m_pDir;
};

const ::testing::Environment* const g_pSettingsFolder = ::testing::AddGlobalTestEnvironment(new CSettingsFolder);

} // namespace
