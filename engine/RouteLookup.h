#pragma once
// Which way the kernel's routing table sends a packet to an address: the interface and the
// next router, asked of the kernel over a route netlink socket. The check round uses it to
// tell which computers lie behind the same router, since a router limits how many ICMP
// errors it sends one sender. Answers come from the kernel itself, at once: nothing here
// waits on the network.

#include <QtGlobal>

#include <optional>

namespace route {

struct Way {
    int interfaceIndex = 0;
    quint32 gateway = 0;  // the next router (host byte order); 0 when the address is on the link
    bool local = false;   // the address is one of this machine's own
    // One key per way out: computers with the same key go through the same next router.
    quint64 Key() const { return (quint64(quint32(interfaceIndex)) << 32) | gateway; }
};

// Asks the kernel for its route to destination (host byte order). None when the kernel has
// no route (an "unreachable" or "prohibit" route included) or cannot be asked.
class RouteLookup {
public:
    RouteLookup() = default;
    ~RouteLookup();
    RouteLookup(const RouteLookup&) = delete;
    RouteLookup& operator=(const RouteLookup&) = delete;

    std::optional<Way> WayTo(quint32 destination);

private:
    int fd_ = -1;  // opened at the first question, in the network namespace of that moment
    quint32 sequence_ = 0;
};

}  // namespace route
