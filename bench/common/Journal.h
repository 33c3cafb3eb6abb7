// The stand-in's journal, read while the stand-in still writes it: one line
// per record it carried out, "<exchange>\t<micros>\t<R|W>\t<0xOOOO>\t<size>\t<value>",
// each line on disk before the exchange it belongs to is answered.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct JournalRecord {
    long exchange = 0;
    double seconds = 0; // since the stand-in started
    char kind = 0;      // 'R' or 'W'
    unsigned offset = 0;
    unsigned size = 0;
    std::string value; // as written: a number, or quoted text for the 0x3380 line
};

// A fresh name in the temp directory for a journal, removed again at
// destruction (the stand-in must have stopped by then).
class TempJournal {
  public:
    TempJournal();
    ~TempJournal();
    TempJournal(const TempJournal&) = delete;
    TempJournal& operator=(const TempJournal&) = delete;

    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// Every complete line so far; a line still being written is left for later.
std::vector<JournalRecord> ReadJournal(const std::string& path);

} // namespace bench
