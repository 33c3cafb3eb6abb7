#include "shutdown/Sequence.h"

#include "shutdown/Checklist.h"
#include "simlink/Protocol.h"

#include <array>

namespace shutdown {

namespace {

// A variable of 1 or 2 bytes fills only the low end of our 32-bit values.
using ValueBytes = std::array<std::uint8_t, 4>;

// Readings that are not 0 yet mean "off": 64 for any item, and 128 for the
// radio audio panel. Writing 0 over them would announce an item the user
// never had on.
constexpr std::int32_t kOffFlag = 64;
constexpr std::int32_t kRadioAudioOff = 128;

constexpr std::uint32_t kPauseMs = 1000;
// The flaps take their time to come up; the next item waits for them.
constexpr std::uint32_t kFlapsPauseMs = 6000;

constexpr std::uint8_t kBatteryOn = 1;

constexpr ValueBytes kZero{};
static_assert(kApproachHold.size <= sizeof kZero);

} // namespace

void Sequence::cmdShutdown_Click()
{
    if (!connection_.Connected()) {
        // In front, because the user who pressed the hotkey is looking at the
        // simulator, not at us. The simulator has the foreground then, and
        // the system may refuse it to us; topmost, the box shows above the
        // simulator's window all the same while that is an ordinary window.
        // A simulator in exclusive full screen still covers it: the box waits
        // behind until the user leaves full screen.
        os_.MessageBoxW(owner, kNotConnectedText, tollivane::kAppTitle,
                        os::kMbOk | os::kMbSetForeground | os::kMbTopmost);
        return;
    }

    // Zeroed for every run: the simulator fills only the two low bytes, and
    // an aircraft swapped since the last run must not inherit anything.
    ValueBytes onGround{};
    ValueBytes engines{};
    ValueBytes feather{};

    std::int32_t result = simlink::IpcOk;
    if (!link_.IpcRead(simlink::kOffsetOnGround, 2, onGround.data(), result)) {
        connection_.MarkDisconnected();
        return;
    }
    link_.IpcRead(simlink::kOffsetEngineCount, 2, engines.data(), result);
    link_.IpcRead(simlink::kOffsetFeatherCapable, 2, feather.data(), result);
    // The first exchange of a run is where a lost link shows; the window's
    // timer reopens it once the flag is down.
    if (!link_.IpcProcess(result)) {
        connection_.MarkDisconnected();
        return;
    }
    engineCount_ = static_cast<std::int32_t>(simlink::GetU32(engines.data()));
    featherCapable_ = static_cast<std::int32_t>(simlink::GetU32(feather.data()));

    if (simlink::GetU32(onGround.data()) != 1) {
        ShowSimMessage(link_, kAirborneText);
        return;
    }

    PowerUpBattery();
    // Past this point the run goes to the end: each step copes with its own
    // failures, and the user is told "Complete" as far as the link allows.
    // Only a wait called off (the user closes the window while the simulator
    // does not answer) ends it early: that closed the link.
    for (const ShutdownStep& row : Checklist) {
        RunShutdownStep(row.offset, row.size, row.engine, row.label);
        if (!link_.IsOpen()) {
            connection_.MarkDisconnected();
            return;
        }
    }
    ShowSimMessage(link_, kCompleteText);
}

// Switched on silently, so that every run ends with the battery switched off
// and announced as its last item, whatever state the aircraft was left in.
void Sequence::PowerUpBattery()
{
    std::int32_t result = simlink::IpcOk;
    if (!link_.IpcWrite(simlink::kOffsetBatteryMaster, 1, &kBatteryOn, result))
        return;
    link_.IpcProcess(result);
}

void Sequence::RunShutdownStep(simlink::SimOffset offset, std::uint32_t size, std::int32_t engine,
                               const std::string& label)
{
    if (engine != 0 && (engine > engineCount_ || engine <= 0))
        return;
    // Our values are 32 bits; anything wider has no place to go.
    if (size > sizeof(ValueBytes))
        return;

    ValueBytes bytes{};
    std::int32_t result = simlink::IpcOk;
    if (!link_.IpcRead(offset, size, bytes.data(), result))
        return;
    if (!link_.IpcProcess(result))
        return;
    // Zero-extended: a 2-byte 0x8000 is 32768, not a negative number.
    auto current = static_cast<std::int32_t>(simlink::GetU32(bytes.data()));
    std::int32_t target = 0;

    // A value of 0 from here on means "already in its shut-down position".
    if ((label == kRadioAudioRow && current == kRadioAudioOff) || current == kOffFlag)
        current = 0;
    if (label.find(kFeatheredWord) != std::string::npos && featherCapable_ == 0)
        current = 0;
    // The one item switched on rather than off: a set brake is left alone,
    // a released one is set.
    if (label == kParkingBrakeRow) {
        if (current != 0) {
            current = 0;
        } else {
            current = 1;
            target = kParkingBrakeSetValue;
        }
    }
    if (current == 0)
        return;

    ValueBytes targetBytes{};
    simlink::PutU32(targetBytes.data(), static_cast<std::uint32_t>(target));
    if (!link_.IpcWrite(offset, size, targetBytes.data(), result))
        return;
    // In the same exchange, or FS2002 keeps both holds on.
    if (label == kGlideslopeRow &&
        !link_.IpcWrite(kApproachHold.offset, kApproachHold.size, kZero.data(), result))
        return;
    // Announced even if this exchange failed: the user hears every item the
    // run tried to switch, at the pace of the checklist. Not once a wait was
    // called off, which closed the link.
    link_.IpcProcess(result);
    ShowSimMessage(link_, label);
    if (!link_.IsOpen())
        return;
    PlayWave(os_, kSwitchSound);
    // A pause called off has closed the link, which ends the run.
    link_.PauseBetweenSends(label == kFlapsRow ? kFlapsPauseMs : kPauseMs);
}

} // namespace shutdown
