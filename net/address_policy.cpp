#include "net/address_policy.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>
#include <cstring>

namespace {

bool InRange(std::uint32_t address, std::uint32_t network, int prefix) {
  const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
  return (address & mask) == (network & mask);
}

constexpr std::uint32_t Ipv4(unsigned a, unsigned b, unsigned c, unsigned d) {
  return (a << 24) | (b << 16) | (c << 8) | d;
}

// `address` in host byte order.
bool IsNonPublicIpv4(std::uint32_t address) {
  struct Range {
    std::uint32_t network;
    int prefix;
  };
  static constexpr Range kRanges[] = {
      {Ipv4(0, 0, 0, 0), 8},       // "this network", the unspecified address
      {Ipv4(10, 0, 0, 0), 8},      // private
      {Ipv4(100, 64, 0, 0), 10},   // shared by carrier NAT; some clouds' metadata services
      {Ipv4(127, 0, 0, 0), 8},     // loopback
      {Ipv4(169, 254, 0, 0), 16},  // link-local, cloud metadata services
      {Ipv4(172, 16, 0, 0), 12},   // private
      {Ipv4(192, 0, 0, 0), 24},    // protocol assignments
      {Ipv4(192, 168, 0, 0), 16},  // private
      {Ipv4(198, 18, 0, 0), 15},   // benchmarking
      {Ipv4(224, 0, 0, 0), 4},     // multicast
      {Ipv4(240, 0, 0, 0), 4},     // reserved, broadcast
  };
  for (const Range& range : kRanges) {
    if (InRange(address, range.network, range.prefix)) return true;
  }
  return false;
}

std::uint32_t Ipv4At(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

bool IsNonPublicIpv6(const unsigned char* b) {
  static constexpr unsigned char kZeros[12] = {};
  static constexpr unsigned char kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  static constexpr unsigned char kNat64Prefix[12] = {0, 0x64, 0xff, 0x9b, 0, 0, 0, 0, 0, 0, 0, 0};
  // Mapped (::ffff:a.b.c.d), compatible (::a.b.c.d, which also covers :: and
  // ::1) and NAT64 (64:ff9b::a.b.c.d) addresses reach the IPv4 address.
  if (std::memcmp(b, kMappedPrefix, 12) == 0 || std::memcmp(b, kZeros, 12) == 0 ||
      std::memcmp(b, kNat64Prefix, 12) == 0) {
    return IsNonPublicIpv4(Ipv4At(b + 12));
  }
  if (b[0] == 0x20 && b[1] == 0x02) return IsNonPublicIpv4(Ipv4At(b + 2));  // 6to4
  if ((b[0] & 0xfe) == 0xfc) return true;                                   // unique-local fc00::/7
  if (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) return true;                   // link-local fe80::/10
  if (b[0] == 0xfe && (b[1] & 0xc0) == 0xc0) return true;                   // site-local fec0::/10
  if (b[0] == 0xff) return true;                                            // multicast
  return false;
}

}  // namespace

bool IsNonPublicAddress(const sockaddr* address, socklen_t length) {
  if (address == nullptr) return true;
  if (address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
    sockaddr_in ipv4{};
    std::memcpy(&ipv4, address, sizeof ipv4);
    return IsNonPublicIpv4(ntohl(ipv4.sin_addr.s_addr));
  }
  if (address->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
    sockaddr_in6 ipv6{};
    std::memcpy(&ipv6, address, sizeof ipv6);
    return IsNonPublicIpv6(ipv6.sin6_addr.s6_addr);
  }
  return true;
}

std::string AddressText(const sockaddr* address, socklen_t length) {
  char text[INET6_ADDRSTRLEN] = "?";
  if (address != nullptr && address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
    sockaddr_in ipv4{};
    std::memcpy(&ipv4, address, sizeof ipv4);
    ::inet_ntop(AF_INET, &ipv4.sin_addr, text, sizeof text);
  } else if (address != nullptr && address->sa_family == AF_INET6 &&
             length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
    sockaddr_in6 ipv6{};
    std::memcpy(&ipv6, address, sizeof ipv6);
    ::inet_ntop(AF_INET6, &ipv6.sin6_addr, text, sizeof text);
  }
  return text;
}
