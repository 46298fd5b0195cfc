#pragma once

#include <sys/socket.h>

#include <string>

// Which network addresses a page's references may make the program connect
// to. A hostile page must not turn the program into a reader of the
// machine's own services, its intranet or a cloud's metadata service, so
// every address that is not plainly on the public internet is refused.

// True for loopback, unspecified, "this network", private, shared (carrier
// NAT), link-local, unique-local, site-local, multicast and reserved
// addresses, IPv4 and IPv6 alike; an IPv6 address that carries an IPv4 one
// (mapped, compatible, NAT64, 6to4) is judged by the IPv4 address. Any
// family other than IPv4 and IPv6 is refused too.
bool IsNonPublicAddress(const sockaddr* address, socklen_t length);

// The address in its usual text form ("10.0.0.1", "::1"), for messages.
std::string AddressText(const sockaddr* address, socklen_t length);
