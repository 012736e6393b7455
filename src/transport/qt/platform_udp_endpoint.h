// The UDP endpoint the program uses: batched reads and sends on Linux, QUdpSocket elsewhere.
#pragma once

#ifdef __linux__
#include "transport/qt/batched_udp_endpoint.h"
#else
#include "transport/qt/qt_udp_endpoint.h"
#endif

namespace v7400 {

#ifdef __linux__
using PlatformUdpEndpoint = BatchedUdpEndpoint;
#else
using PlatformUdpEndpoint = QtUdpEndpoint;
#endif

}  // namespace v7400
