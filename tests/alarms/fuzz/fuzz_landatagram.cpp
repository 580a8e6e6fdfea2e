// libFuzzer target for the messenger datagram parser: any bytes a peer may send. Built
// and run by tst_landatagram_fuzz with clang's -fsanitize=fuzzer,address,undefined, so a
// crash or a read past the datagram ends the run.
#include "alarms/LanDatagram.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    IsBlankLanDatagram(bytes);
    const LanMessage m = ParseLanDatagram(bytes);
    if (m.code.size() > 2) __builtin_trap();
    if (!m.data.isEmpty() && !LanCodeCarriesData(m.code)) __builtin_trap();

    // Fields that hold no tag come back from a datagram built of them.
    const bool clean = !m.userName.contains(u'<') && !m.ipAddr.contains(u'<') && !m.gameId.contains(u'<') &&
                       !m.data.contains(u'<') && m.code.size() == 2 && !m.code.contains(u'\uFFFD') &&
                       !(m.userName + m.ipAddr + m.gameId + m.data).contains(u'\uFFFD') &&
                       !(m.userName + m.ipAddr + m.gameId + m.data).contains(u'?');
    if (clean) {
        const LanMessage again =
            ParseLanDatagram(BuildLanDatagram(m.code, m.userName, m.ipAddr, m.gameId, m.data));
        if (again.code != m.code || again.userName != m.userName || again.ipAddr != m.ipAddr ||
            again.gameId != m.gameId || again.data != m.data)
            __builtin_trap();
    }
    return 0;
}
