#include "engine/RouteLookup.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace route {

RouteLookup::~RouteLookup() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<Way> RouteLookup::WayTo(quint32 destination) {
    if (fd_ < 0) {
        fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
        if (fd_ < 0) return std::nullopt;
        // The kernel answers a route question in the call itself; the bound only makes
        // sure a kernel that does not can never hold the window.
        timeval bound {0, 100000};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    }
    struct {
        nlmsghdr header;
        rtmsg message;
        std::array<char, 64> attributes;
    } request {};
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = ++sequence_;
    request.message.rtm_family = AF_INET;
    request.message.rtm_dst_len = 32;
    auto* attribute = reinterpret_cast<rtattr*>(request.attributes.data());
    attribute->rta_type = RTA_DST;
    attribute->rta_len = RTA_LENGTH(sizeof(quint32));
    const quint32 wire = htonl(destination);
    std::memcpy(RTA_DATA(attribute), &wire, sizeof wire);
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg)) + RTA_ALIGN(attribute->rta_len);
    if (::send(fd_, &request, request.header.nlmsg_len, 0) < 0) return std::nullopt;

    std::array<char, 8192> reply {};
    for (;;) {
        const ssize_t n = ::recv(fd_, reply.data(), reply.size(), 0);
        if (n <= 0) return std::nullopt;
        int left = int(n);
        for (auto* h = reinterpret_cast<nlmsghdr*>(reply.data()); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
            if (h->nlmsg_seq != sequence_) continue;  // a late answer to an earlier question
            if (h->nlmsg_type == NLMSG_ERROR || h->nlmsg_type == NLMSG_DONE) return std::nullopt;
            if (h->nlmsg_type != RTM_NEWROUTE) continue;
            const auto* message = static_cast<const rtmsg*>(NLMSG_DATA(h));
            Way way;
            way.local = message->rtm_type == RTN_LOCAL;
            int length = int(RTM_PAYLOAD(h));
            for (auto* a = RTM_RTA(message); RTA_OK(a, length); a = RTA_NEXT(a, length)) {
                if (a->rta_type == RTA_OIF && RTA_PAYLOAD(a) >= sizeof(int)) {
                    std::memcpy(&way.interfaceIndex, RTA_DATA(a), sizeof(int));
                } else if (a->rta_type == RTA_GATEWAY && RTA_PAYLOAD(a) >= sizeof(quint32)) {
                    quint32 gateway = 0;
                    std::memcpy(&gateway, RTA_DATA(a), sizeof gateway);
                    way.gateway = ntohl(gateway);
                }
            }
            return way;
        }
    }
}

}  // namespace route
