// Keeping the link: the flag the rest of the program reads, and the reopen
// the window's timer performs while it is down.
#pragma once

#include "simlink/Link.h"

namespace app {

class Connection {
public:
    explicit Connection(simlink::Link& link) : link_(link) {}

    // Closes whatever is left of the link and opens it afresh; nothing at all
    // happens while the link is taken to be up.
    void TryConnect();
    void MarkConnected() { Connected = true; }
    void MarkDisconnected() { Connected = false; }

    bool Connected = false;

private:
    simlink::Link& link_;
};

} // namespace app
