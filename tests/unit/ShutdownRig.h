// A simulator on the fake OS with the link open and marked up, and the
// shutdown run's traffic written out as one line per exchange, so that a whole
// run compares as a list of lines and a difference reads as a diff.
#pragma once

#include "fake/FakeOs.h"
#include "shutdown/Sequence.h"
#include "unit/ExpectedRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace shutdown::testing {

// The fake OS, plus an outage that starts after a number of sends and a
// timeline of what the peer carried out, the sounds, the pauses and the waits.
class TestOs : public fake::FakeOs {
  public:
    int sendsBeforeOutage = -1; // -1: no outage
    int outageSends = -1;       // sends that fail once it starts (-1: all of them)
    std::vector<std::string> timeline;

    bool SendMessageTimeoutA(os::Window window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                             std::uintptr_t* reply) override;
    bool sndPlaySoundW(const std::string& path, std::uint32_t flags) override
    {
        timeline.push_back("sound");
        return FakeOs::sndPlaySoundW(path, flags);
    }
    void Sleep(std::uint32_t ms) override
    {
        timeline.push_back("sleep " + std::to_string(ms));
        FakeOs::Sleep(ms);
    }
    std::uint32_t WaitForSingleObject(os::Handle object, std::uint32_t timeoutMs) override
    {
        timeline.push_back("wait " + std::to_string(timeoutMs));
        return FakeOs::WaitForSingleObject(object, timeoutMs);
    }
};

// "R 0BC8/2", "W 0BC8/2=32767", "W 3380/128='Shutdown:  Flaps Up'", joined by ", ".
inline std::string Describe(const fake::Record& record)
{
    const bool read = record.type == expect::wire::kRecordRead;
    const std::string line = Request(read ? 'R' : 'W', record.offset, record.size);
    if (read)
        return line;
    if (record.size == expect::kMessageTextSize)
        return line + "='" + record.Text() + "'";
    return line + "=" + std::to_string(record.Value());
}

inline std::string Describe(const fake::Exchange& exchange)
{
    std::string line;
    for (const fake::Record& record : exchange)
        line += (line.empty() ? "" : ", ") + Describe(record);
    return line;
}

inline std::vector<std::string> Describe(const std::vector<fake::Exchange>& exchanges)
{
    std::vector<std::string> lines;
    for (const fake::Exchange& exchange : exchanges)
        lines.push_back(Describe(exchange));
    return lines;
}

inline bool TestOs::SendMessageTimeoutA(os::Window window, std::uint32_t message,
                                        std::uintptr_t wParam, std::intptr_t lParam,
                                        std::uint32_t flags, std::uint32_t timeoutMs,
                                        std::uintptr_t* reply)
{
    if (sendsBeforeOutage == 0) {
        failSends = outageSends;
        sendsBeforeOutage = -1;
    } else if (sendsBeforeOutage > 0) {
        --sendsBeforeOutage;
    }
    const std::size_t before = peer.exchanges.size();
    const bool sent =
        FakeOs::SendMessageTimeoutA(window, message, wParam, lParam, flags, timeoutMs, reply);
    if (peer.exchanges.size() > before)
        timeline.push_back(Describe(peer.exchanges.back()));
    return sent;
}

inline const std::string kSoundPath = "C:\\Sim Tools\\sound_switch.wav";

struct Rig {
    TestOs os;
    simlink::Link link{os};
    simlink::Connection connection{link};
    Sequence sequence{os, link, connection};

    // On the ground, one engine, parked and switched off, the sound in place.
    Rig()
    {
        std::int32_t result = simlink::IpcOk;
        EXPECT_TRUE(link.IpcOpen(0, result)) << result;
        connection.MarkConnected();
        os.files[kSoundPath] = "RIFF";
        Aircraft(1, 1);
        Set("Parking Brake Set", expect::kBrakeSet);
        Forget();
    }

    void Forget()
    {
        os.peer.exchanges.clear();
        os.sleeps.clear();
        os.timeline.clear();
        os.sends = 0;
    }

    // Has the driver read the engine count and the feathering flag, as every
    // run does at its opening, without going on: that run finds the aircraft
    // airborne.
    void Prime(std::uint32_t engines, std::uint32_t featherCapable)
    {
        Aircraft(engines, featherCapable, 0);
        sequence.cmdShutdown_Click();
        Aircraft(engines, featherCapable, 1);
        Forget();
    }

    void Aircraft(std::uint32_t engines, std::uint32_t featherCapable, std::uint32_t onGround = 1)
    {
        os.peer.Set(expect::kOnGround, 2, onGround);
        os.peer.Set(expect::kEngineCount, 2, engines);
        os.peer.Set(expect::kFeatherCapable, 2, featherCapable);
    }

    void Set(const std::string& label, std::uint32_t value)
    {
        const expect::Row& row = Row(label);
        os.peer.Set(row.offset, row.size, value);
    }

    // Every item on (1) and the brake released.
    void AllOn()
    {
        for (const expect::Row& row : expect::kChecklist)
            os.peer.Set(row.offset, row.size, 1);
        Set("Parking Brake Set", 0);
    }

    std::vector<std::string> Exchanges() const { return Describe(os.peer.exchanges); }

    // The pauses of the run itself, without the link's retry pauses.
    std::vector<std::uint32_t> Pauses() const
    {
        std::vector<std::uint32_t> pauses;
        for (std::uint32_t ms : os.sleeps)
            if (ms != 100)
                pauses.push_back(ms);
        return pauses;
    }
};

} // namespace shutdown::testing
