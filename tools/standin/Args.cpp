#include "Args.h"

#include <cmath>
#include <cstdlib>

namespace standin {

namespace {

bool ParseCount(const std::string& text, std::uint32_t& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    value = static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
    return true;
}

// Decimal or 0x hex, up to `highest`.
bool ParseId(const std::string& text, std::uint32_t highest, std::uint32_t& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (end != text.c_str() + text.size() || text[0] == '-' || parsed > highest)
        return false;
    value = static_cast<std::uint32_t>(parsed);
    return true;
}

bool ParseSeconds(const std::string& text, std::uint32_t& ms)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(seconds > 0) || seconds > 86400)
        return false;
    ms = static_cast<std::uint32_t>(std::lround(seconds * 1000));
    return ms > 0;
}

bool ParseFault(const std::string& text, Faults& faults, std::string& error)
{
    const std::size_t colon = text.find(':');
    const std::string mode = text.substr(0, colon);
    const bool hasNumber = colon != std::string::npos;
    std::uint32_t n = 1;
    if (hasNumber && !ParseCount(text.substr(colon + 1), n)) {
        error = "--fault " + text + ": '" + text.substr(colon + 1) + "' is not a whole number";
        return false;
    }
    auto noNumber = [&] {
        if (hasNumber)
            error = "--fault " + mode + " takes no number";
        return !hasNumber;
    };
    auto needsNumber = [&](std::uint32_t lowest) {
        if (!hasNumber)
            error = "--fault " + mode + " needs a number, as in " + mode + ":3";
        else if (n < lowest)
            error = "--fault " + text + ": the number must be at least " + std::to_string(lowest);
        return hasNumber && n >= lowest;
    };
    auto from = [&](std::uint32_t& field) {
        if (hasNumber && n < 1) {
            error = "--fault " + text + ": exchanges are counted from 1";
            return false;
        }
        field = n;
        return true;
    };

    bool ok = false;
    if (mode == "answer-zero")
        ok = from(faults.answerZeroFrom);
    else if (mode == "never-answer")
        ok = from(faults.neverAnswerFrom);
    else if (mode == "corrupt-type")
        ok = from(faults.corruptTypeFrom);
    else if (mode == "corrupt-size")
        ok = from(faults.corruptSizeFrom);
    else if (mode == "corrupt-second")
        ok = from(faults.corruptSecondFrom);
    else if (mode == "rewrite-destination")
        ok = from(faults.rewriteDestinationFrom);
    else if (mode == "answer-two")
        ok = from(faults.answerTwoFrom);
    else if (mode == "stall") {
        ok = needsNumber(1);
        faults.stallAt = n;
    } else if (mode == "delay") {
        ok = needsNumber(1);
        faults.delayMs = n;
    } else if (mode == "stop-after") {
        ok = needsNumber(0);
        faults.stopAfter = n;
    } else if (mode == "destroy-after") {
        ok = needsNumber(1);
        faults.destroyAfter = n;
    } else if (mode == "version-zero")
        ok = faults.versionZero = noNumber();
    else if (mode == "version-low")
        ok = faults.versionLow = noNumber();
    else if (mode == "bad-marker")
        ok = faults.badMarker = noNumber();
    else
        error = "--fault: unknown mode '" + mode + "' (see --help)";
    if (ok)
        faults.given.push_back(text);
    return ok;
}

} // namespace

ExchangePlan PlanExchange(const Faults& faults, std::uint32_t exchange)
{
    auto from = [exchange](std::uint32_t first) { return first != 0 && exchange >= first; };
    ExchangePlan plan;
    if (from(faults.neverAnswerFrom) || exchange == faults.stallAt) {
        plan.holdMs = kNeverAnswerHoldMs;
        plan.carryOut = false;
        return plan;
    }
    if ((faults.stopAfter && exchange > *faults.stopAfter) || from(faults.answerZeroFrom)) {
        plan.carryOut = false;
        return plan;
    }
    plan.delayMs = faults.delayMs;
    if (from(faults.corruptTypeFrom))
        plan.corruption = Corruption::UnknownType;
    else if (from(faults.corruptSizeFrom))
        plan.corruption = Corruption::SizePastBlock;
    else if (from(faults.corruptSecondFrom))
        plan.corruption = Corruption::SecondType;
    else if (from(faults.rewriteDestinationFrom))
        plan.corruption = Corruption::ForeignDestination;
    if (from(faults.answerTwoFrom))
        plan.answer = kAnswerTwo;
    plan.destroyWindow = faults.destroyAfter && exchange == *faults.destroyAfter;
    return plan;
}

bool ParseArgs(const std::vector<std::string>& args, Options& options, std::string& error)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const std::size_t equals = name.find('=');
            name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasValue = true;
        }
        if (name == "--help" || name == "-h" || name == "/?") {
            options.help = true;
            continue;
        }
        if (name == "--echo") {
            options.echo = true;
            continue;
        }
        if (name == "--interlock") {
            options.interlock = true;
            continue;
        }
        const bool takesValue = name == "--scenario" || name == "--class" || name == "--journal" ||
                                name == "--fault" || name == "--lifetime" || name == "--id" ||
                                name == "--print-scenario";
        if (!takesValue) {
            error = "unknown argument '" + args[i] + "' (see --help)";
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value (see --help)";
                return false;
            }
            value = args[++i];
        }
        if (name == "--scenario") {
            options.scenario = value;
        } else if (name == "--print-scenario") {
            options.printScenario = value;
        } else if (name == "--class") {
            if (value != kPrimaryWindowClass && value != kFallbackWindowClass) {
                error = "--class must be UIPCMAIN or FS98MAIN, not '" + value + "'";
                return false;
            }
            options.windowClass = value;
        } else if (name == "--journal") {
            if (value.empty()) {
                error = "--journal needs a file name";
                return false;
            }
            options.journalPath = value;
        } else if (name == "--lifetime") {
            if (!ParseSeconds(value, options.lifetimeMs)) {
                error = "--lifetime takes a number of seconds greater than 0, not '" + value + "'";
                return false;
            }
        } else if (name == "--id") {
            std::uint32_t id = 0;
            if (!ParseId(value, 0xFFFF, id)) {
                error =
                    "--id takes a number from 0 to 65535 (or 0x0 to 0xFFFF), not '" + value + "'";
                return false;
            }
            options.simulatorId = static_cast<std::uint16_t>(id);
        } else if (!ParseFault(value, options.faults, error)) {
            return false;
        }
    }
    return true;
}

std::string HelpText()
{
    std::string text =
        "TollivaneSim: a stand-in for the flight simulator, playing its side of the IPC link.\n"
        "\n"
        "Usage: TollivaneSim.exe [options]\n"
        "  --scenario NAME|FILE   aircraft state to start from (default running-single)\n"
        "  --class UIPCMAIN|FS98MAIN\n"
        "                         window class to answer under (default UIPCMAIN)\n"
        "  --journal FILE         write one line per record carried out\n"
        "  --fault MODE[:N]       misbehave (may be repeated; modes below)\n"
        "  --lifetime SECONDS     quit by itself after this long\n"
        "  --id N                 simulator id, 0 to 65535 (default 6): 0xFADE0000|N at 0x3308\n"
        "  --echo                 print each text line shown to standard output\n"
        "  --interlock            as FS2002: the glideslope hold (0x07FC) holds the approach hold\n"
        "                         (0x0800) on; both clear only when one exchange writes both 0\n"
        "  --print-scenario NAME|FILE\n"
        "                         print a scenario in the file format and quit\n"
        "  --help                 this text\n"
        "\n"
        "Scenarios:\n";
    for (const Scenario& scenario : BuiltInScenarios())
        text += "  " + scenario.name + std::string(18 - scenario.name.size(), ' ') +
                scenario.description + "\n";
    text +=
        "  FILE              lines of '<offset> <size> <value>', optionally after 'base NAME'\n"
        "\n"
        "Fault modes (N counts exchanges from 1):\n"
        "  answer-zero[:N]    answer 0 without carrying out the batch (from exchange N on)\n"
        "  never-answer[:N]   hold every message 2.5 s, longer than the client waits, then refuse "
        "it\n"
        "  stall:N            hold message N alone as never-answer does; answer the rest\n"
        "  delay:MS           wait MS milliseconds before carrying out each batch\n"
        "  stop-after:N       carry out N exchanges, answer 0 to every later one\n"
        "  destroy-after:N    destroy the window after exchange N; the process lives on\n"
        "  version-zero       leave the version values at 0x3304 and 0x3308 at 0\n"
        "  version-low        version 0x19980004 at 0x3304\n"
        "  bad-marker         0xDEAD instead of 0xFADE in the upper half of 0x3308\n"
        "  corrupt-type[:N]   after carrying out a batch, give its first record an unknown type\n"
        "  corrupt-size[:N]   after carrying out a batch, enlarge its first record's size past the "
        "block\n"
        "  corrupt-second[:N] after carrying out a batch, give the record after the first (or the\n"
        "                     terminator) an unknown type\n"
        "  rewrite-destination[:N]\n"
        "                     after carrying out a batch, overwrite every read's destination "
        "field\n"
        "  answer-two[:N]     carry out the batch, then answer 2 instead of 1\n";
    return text;
}

void InitialiseVariables(VariableSpace& vars, const Scenario& scenario, const Options& options)
{
    vars.fill(0);
    SetValue(vars, kOffsetVersion, 4, kVersion);
    SetValue(vars, kOffsetSimulatorId, 4, kIdMarker << 16 | options.simulatorId);
    ApplyScenario(scenario, vars);
    if (options.interlock)
        ApplyInterlock(vars, GetValue(vars, kOffsetGlideslopeHold, kHoldSize), Outcome{});
    const Faults& faults = options.faults;
    if (faults.versionLow)
        SetValue(vars, kOffsetVersion, 4, kLowVersion);
    if (faults.badMarker)
        SetValue(vars, kOffsetSimulatorId, 4, kWrongMarker << 16 | options.simulatorId);
    if (faults.versionZero) {
        SetValue(vars, kOffsetVersion, 4, 0);
        SetValue(vars, kOffsetSimulatorId, 4, 0);
    }
}

} // namespace standin
