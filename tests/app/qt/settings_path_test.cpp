// Where the window keeps setup.dat, from XDG_CONFIG_HOME and the home folder.
#include <gtest/gtest.h>

#include "app/qt/desktop_services.h"

namespace zentho::qt {
namespace {

TEST(SettingsPath, RelativeOrEmptyXdgConfigHomeIsIgnored) {
  struct Case {
    const char* xdgConfigHome;
    const char* path;
  };
  for (const Case c : {Case{nullptr, "/home/op/.config/ZenthoIAP/setup.dat"},
                       Case{"", "/home/op/.config/ZenthoIAP/setup.dat"},
                       Case{"cfg", "/home/op/.config/ZenthoIAP/setup.dat"},
                       Case{"./cfg", "/home/op/.config/ZenthoIAP/setup.dat"},
                       Case{"/srv/cfg", "/srv/cfg/ZenthoIAP/setup.dat"}}) {
    EXPECT_EQ(SettingsPathFor(c.xdgConfigHome, "/home/op").string(), c.path)
        << (c.xdgConfigHome ? c.xdgConfigHome : "(unset)");
  }
}

}  // namespace
}  // namespace zentho::qt
