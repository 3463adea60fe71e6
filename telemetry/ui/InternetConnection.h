#pragma once
// The rear pane's start-up question: is this computer connected to a network that can reach
// the map's tiles? Asked once; the answer decides whether the map page asks for tiles.

// TAVRO_INTERNET_CONNECTED=0 or 1 in the environment answers the question outright (tests,
// or a user who wants the map without a default route). Otherwise the system's network
// information decides when it knows; without a backend that knows, a default route (IPv4 or
// IPv6) counts as a connection. Needs a QCoreApplication.
bool InternetConnected();

// The fallback: whether the kernel's routing tables, as /proc/net/route and
// /proc/net/ipv6_route text, hold a usable default route.
bool HasDefaultRoute(const char* ipv4RouteTable, const char* ipv6RouteTable);
