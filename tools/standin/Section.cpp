#include "Section.h"

#include "Wire.h"

#include <cstring>

namespace standin {

namespace {
// Atoms added by name lie from 0xC000 on; below are integer atoms, which name nothing.
constexpr ATOM kFirstStringAtom = 0xC000;
} // namespace

MappedBlock::MappedBlock(WPARAM wParam)
{
    const auto atom = static_cast<ATOM>(wParam & 0xFFFF);
    if (atom < kFirstStringAtom) {
        failure_ = "the message carries no string atom";
        return;
    }
    char name[256] = {};
    if (GlobalGetAtomNameA(atom, name, sizeof name) == 0) {
        failure_ = "the atom is not in the global atom table";
        return;
    }
    name_ = name;
    if (!IsLinkSectionName(name_)) {
        failure_ = "the atom does not name a link section";
        return;
    }
    section_ = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (section_ == nullptr) {
        failure_ = "no section of that name";
        return;
    }
    view_ = static_cast<std::uint8_t*>(MapViewOfFile(section_, FILE_MAP_WRITE, 0, 0, 0));
    if (view_ == nullptr) {
        failure_ = "the section cannot be mapped";
        return;
    }
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(view_, &region, sizeof region) == 0) {
        failure_ = "the view cannot be measured";
        UnmapViewOfFile(view_);
        view_ = nullptr;
        return;
    }
    size_ = region.RegionSize;
}

MappedBlock::~MappedBlock()
{
    if (view_ != nullptr)
        UnmapViewOfFile(view_);
    if (section_ != nullptr)
        CloseHandle(section_);
}

} // namespace standin
