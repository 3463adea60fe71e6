// The start-up connection test: the environment override and the default-route fallback.
#include "InternetConnection.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr const char* kIpv4Header =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

TEST(InternetConnection, ADefaultRouteThatIsUpCounts) {
  const struct {
    const char* name;
    const char* ipv4;
    const char* ipv6;
    bool connected;
  } cases[] = {
      {"ipv4 default via gateway",
       "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n", "", true},
      {"ipv4 default without gateway (point-to-point)",
       "ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n", "", true},
      {"ipv4 local subnet only",
       "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n", "", false},
      {"ipv4 default route that is down",
       "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n", "", false},
      {"ipv4 unreachable default", "lo\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n", "",
       false},
      {"ipv6 default via gateway", "",
       "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
       "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n",
       true},
      {"ipv6 kernel's reject entry on lo", "",
       "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
       "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n",
       false},
      {"ipv6 link-local only", "",
       "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
       "00000000000000000000000000000000 00000100 00000002 00000000 00000001     eth0\n",
       false},
      {"nothing readable", nullptr, nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string ipv4 = c.ipv4 ? std::string(kIpv4Header) + c.ipv4 : std::string();
    EXPECT_EQ(HasDefaultRoute(c.ipv4 ? ipv4.c_str() : nullptr, c.ipv6), c.connected);
  }
}

TEST(InternetConnection, EnvironmentDecidesWhenSet) {
  setenv("TAVRO_INTERNET_CONNECTED", "0", 1);
  EXPECT_FALSE(InternetConnected());
  setenv("TAVRO_INTERNET_CONNECTED", "1", 1);
  EXPECT_TRUE(InternetConnected());
  unsetenv("TAVRO_INTERNET_CONNECTED");
}

}  // namespace
