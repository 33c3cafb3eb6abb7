// The shutdown run: the driver that walks the checklist and the step that
// switches one item, with the announcement, the sound and the pause.
#pragma once

#include "Title.h"
#include "os/Os.h"
// ShowSimMessage and PlayWave come with these two.
#include "shutdown/SimMessage.h"
#include "shutdown/Sound.h"
#include "simlink/Connection.h"
#include "simlink/Link.h"

#include <cstdint>
#include <string>

namespace shutdown {

inline constexpr const char* kNotConnectedText = "Connection to FS2002 via FSUIPC not detected.";
inline constexpr const char* kAirborneText = "Aircraft shutdown not allowed while airborne.";
inline constexpr const char* kCompleteText = "Complete";

class Sequence {
  public:
    Sequence(os::Os& os, simlink::Link& link, simlink::Connection& connection)
        : os_(os), link_(link), connection_(connection)
    {
    }

    // The whole run, synchronously: returns when it is over.
    void cmdShutdown_Click();
    void PowerUpBattery();
    void RunShutdownStep(simlink::SimOffset offset, std::uint32_t size, std::int32_t engine,
                         const std::string& label);

    // Owner of the not-connected message box (the main window).
    os::Window owner = nullptr;

  private:
    os::Os& os_;
    simlink::Link& link_;
    simlink::Connection& connection_;
    // Filled by the driver at the start of every run from 2-byte simulator
    // values; the steps only read them.
    std::int32_t engineCount_ = 0;
    std::int32_t featherCapable_ = 0;
};

} // namespace shutdown
