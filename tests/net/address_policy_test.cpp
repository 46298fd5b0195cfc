#include "net/address_policy.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <string>

namespace {

bool NonPublic(const std::string& text) {
  sockaddr_in6 ipv6{};
  if (::inet_pton(AF_INET6, text.c_str(), &ipv6.sin6_addr) == 1) {
    ipv6.sin6_family = AF_INET6;
    return IsNonPublicAddress(reinterpret_cast<const sockaddr*>(&ipv6), sizeof ipv6);
  }
  sockaddr_in ipv4{};
  EXPECT_EQ(::inet_pton(AF_INET, text.c_str(), &ipv4.sin_addr), 1) << text;
  ipv4.sin_family = AF_INET;
  return IsNonPublicAddress(reinterpret_cast<const sockaddr*>(&ipv4), sizeof ipv4);
}

TEST(AddressPolicy, RefusesWhatIsNotOnThePublicInternet) {
  for (const char* address : {"127.0.0.1",
                              "127.255.0.9",
                              "0.0.0.0",
                              "10.1.2.3",
                              "172.16.0.1",
                              "172.31.255.255",
                              "192.168.1.1",
                              "169.254.169.254",
                              "100.64.0.1",
                              "100.100.100.200",
                              "224.0.0.1",
                              "255.255.255.255",
                              "::1",
                              "::",
                              "fe80::1",
                              "fc00::1",
                              "fd00:ec2::254",
                              "fec0::1",
                              "ff02::1",
                              "::ffff:127.0.0.1",
                              "::ffff:10.0.0.1",
                              "::ffff:169.254.169.254",
                              "64:ff9b::a9fe:a9fe",
                              "2002:7f00:1::1",
                              "::127.0.0.1"}) {
    EXPECT_TRUE(NonPublic(address)) << address;
  }
}

TEST(AddressPolicy, AllowsPublicAddresses) {
  for (const char* address : {"93.184.216.34", "8.8.8.8", "172.32.0.1", "100.128.0.1", "169.255.0.1",
                              "2606:2800:220:1:248:1893:25c8:1946", "::ffff:8.8.8.8", "2002:0808:0808::1"}) {
    EXPECT_FALSE(NonPublic(address)) << address;
  }
}

TEST(AddressPolicy, RefusesOtherFamiliesAndNamesAddresses) {
  sockaddr unix_address{};
  unix_address.sa_family = AF_UNIX;
  EXPECT_TRUE(IsNonPublicAddress(&unix_address, sizeof unix_address));
  sockaddr_in6 ipv6{};
  ipv6.sin6_family = AF_INET6;
  ::inet_pton(AF_INET6, "::ffff:10.0.0.1", &ipv6.sin6_addr);
  EXPECT_EQ(AddressText(reinterpret_cast<const sockaddr*>(&ipv6), sizeof ipv6), "::ffff:10.0.0.1");
}

}  // namespace
