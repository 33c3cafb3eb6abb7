// Keeping the link: the flag the rest of the program reads, and the reopen
// the window's timer performs while it is down.
#pragma once

#include "simlink/Link.h"

namespace simlink {

class Connection {
  public:
    explicit Connection(Link& link) : link_(link) {}

    // Closes whatever is left of the link and opens it afresh; nothing at all
    // happens while the link is taken to be up.
    void TryConnect();
    void MarkConnected() { connected_ = true; }
    // Leaves the link as it is: the next TryConnect closes and reopens it.
    void MarkDisconnected() { connected_ = false; }

    bool Connected() const { return connected_; }

  private:
    Link& link_;
    bool connected_ = false;
};

} // namespace simlink
