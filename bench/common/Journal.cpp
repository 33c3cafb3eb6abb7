#include "common/Journal.h"

#include "harness/Harness.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace bench {

namespace {

bool ParseRecord(const std::string& line, JournalRecord& record)
{
    std::string fields[6];
    std::size_t start = 0;
    for (int i = 0; i < 5; ++i) {
        const std::size_t tab = line.find('\t', start);
        if (tab == std::string::npos)
            return false;
        fields[i] = line.substr(start, tab - start);
        start = tab + 1;
    }
    fields[5] = line.substr(start);
    if (fields[2] != "R" && fields[2] != "W")
        return false;
    record.exchange = std::strtol(fields[0].c_str(), nullptr, 10);
    record.seconds = std::strtod(fields[1].c_str(), nullptr) / 1e6;
    record.kind = fields[2][0];
    record.offset = static_cast<unsigned>(std::strtoul(fields[3].c_str(), nullptr, 16));
    record.size = static_cast<unsigned>(std::strtoul(fields[4].c_str(), nullptr, 10));
    record.value = fields[5];
    return true;
}

} // namespace

TempJournal::TempJournal()
{
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    char name[80];
    std::snprintf(name, sizeof name, "tollivane-bench-%lu-%u.journal",
                  static_cast<unsigned long>(GetCurrentProcessId()), counter.fetch_add(1));
    path_ = std::string(temp, length) + name;
    DeleteFileA(path_.c_str());
}

TempJournal::~TempJournal()
{
    DeleteFileA(path_.c_str());
}

std::vector<JournalRecord> ReadJournal(const std::string& path)
{
    std::vector<JournalRecord> records;
    for (const std::string& line : harness::CompleteLines(harness::ReadShared(path))) {
        JournalRecord record;
        if (ParseRecord(line, record))
            records.push_back(std::move(record));
    }
    return records;
}

} // namespace bench
