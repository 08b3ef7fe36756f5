#pragma once
// ZIrSocket: a ZSocket made for the infrared exchange. It adds nothing; the
// exchange creates its sockets as ZIrSocket with the infrared family
// (AF_IRDA_CE), which the platform carries over TCP (IrdaSockets.h).

#include "IrdaSockets.h"
#include "ZSocket.h"

class ZIrSocket : public ZSocket {
public:
    ZIrSocket() = default;
};
