#include "fake/FakeOs.h"

#include <algorithm>
#include <cstring>

namespace fake {

namespace {
os::Window PeerWindow()
{
    return reinterpret_cast<os::Window>(std::uintptr_t{0x5EED0});
}
} // namespace

FakeOs::FakeOs() = default;
FakeOs::~FakeOs() = default;

void FakeOs::TakeSectionName(const std::string& name)
{
    auto section = std::make_unique<Section>();
    section->name = name;
    section->size = expect::wire::kBlockSize;
    section->memory = std::make_unique<std::uint8_t[]>(section->size);
    section->handles = 1;
    sections_.push_back(std::move(section));
}

FakeOs::Section* FakeOs::SectionByName(const std::string& name)
{
    // Only a section someone still holds can be found by name.
    for (auto& section : sections_)
        if (section->name == name && (section->handles > 0 || section->views > 0))
            return section.get();
    return nullptr;
}

std::map<std::string, int> FakeOs::atomsLive() const
{
    std::map<std::string, int> live;
    for (const auto& [atom, entry] : atoms_)
        live[entry.first] = entry.second;
    return live;
}

int FakeOs::sectionsLive() const
{
    return static_cast<int>(std::count_if(sections_.begin(), sections_.end(),
                                          [](const auto& s) { return s->handles > 0; }));
}

int FakeOs::viewsLive() const
{
    return static_cast<int>(views_.size());
}

std::uint32_t FakeOs::SleptMs() const
{
    std::uint32_t total = 0;
    for (std::uint32_t ms : sleeps)
        total += ms;
    return total;
}

os::Window FakeOs::FindWindowExA(const char* className)
{
    return !peerClass.empty() && peerClass == className ? PeerWindow() : nullptr;
}

std::uint32_t FakeOs::RegisterWindowMessageA(const char* name)
{
    if (failRegister || std::strcmp(name, expect::wire::kMessageName) != 0)
        return 0;
    return kMessageId;
}

bool FakeOs::SendMessageTimeoutA(os::Window window, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                                 std::uintptr_t* reply)
{
    ++sends;
    sentWParams.push_back(wParam);
    if (failSends != 0 || window != PeerWindow() || peerClass.empty()) {
        if (failSends > 0)
            --failSends;
        lastError_ = sendError;
        return false;
    }
    lastError_ = 0;
    // A window that gets a message it does not know answers 0, as
    // DefWindowProc would.
    *reply = 0;
    if (message != kMessageId || lParam != 0 || flags != expect::wire::kSmtoBlock ||
        timeoutMs != expect::wire::kSendTimeoutMs)
        return true;
    const auto atom = static_cast<os::Atom>(wParam & 0xFFFF);
    const auto found = atoms_.find(atom);
    if (found == atoms_.end())
        return true;
    Section* section = SectionByName(found->second.first);
    if (section == nullptr)
        return true;
    *reply = peer.Handle(section->memory.get());
    return true;
}

os::Atom FakeOs::GlobalAddAtomA(const char* name)
{
    resourceLog.push_back("atom+");
    if (failAtom)
        return 0;
    for (auto& [atom, entry] : atoms_) {
        if (entry.first == name) {
            ++entry.second;
            return atom;
        }
    }
    atoms_[nextAtom_] = {name, 1};
    return nextAtom_++;
}

os::Atom FakeOs::GlobalDeleteAtom(os::Atom atom)
{
    resourceLog.push_back("atom-");
    const auto found = atoms_.find(atom);
    if (found == atoms_.end())
        return atom;
    if (--found->second.second == 0)
        atoms_.erase(found);
    return 0;
}

os::Handle FakeOs::CreateFileMappingA(std::uint32_t size, const char* name)
{
    resourceLog.push_back("section+");
    if (failMapping) {
        lastError_ = 8;
        return nullptr;
    }
    if (Section* existing = SectionByName(name); existing != nullptr && existing->handles > 0) {
        // The system hands out another handle to the existing section.
        ++existing->handles;
        lastError_ = os::kErrorAlreadyExists;
        return existing;
    }
    TakeSectionName(name);
    sections_.back()->size = size;
    lastError_ = 0;
    return sections_.back().get();
}

void* FakeOs::MapViewOfFile(os::Handle handle)
{
    resourceLog.push_back("view+");
    if (failView)
        return nullptr;
    auto* section = static_cast<Section*>(handle);
    ++section->views;
    void* view = section->memory.get();
    views_[view] = section;
    return view;
}

bool FakeOs::UnmapViewOfFile(void* view)
{
    resourceLog.push_back("view-");
    const auto found = views_.find(view);
    if (found == views_.end())
        return false;
    --found->second->views;
    views_.erase(found);
    return true;
}

bool FakeOs::CloseHandle(os::Handle handle)
{
    resourceLog.push_back("section-");
    for (auto& section : sections_) {
        if (section.get() == handle && section->handles > 0) {
            --section->handles;
            return true;
        }
    }
    return false;
}

void FakeOs::Sleep(std::uint32_t ms)
{
    sleeps.push_back(ms);
    now += ms;
}

std::int16_t FakeOs::GetAsyncKeyState(std::int32_t virtualKey)
{
    keyQueries.push_back(virtualKey);
    const auto found = keys.find(virtualKey);
    if (found == keys.end())
        return 0;
    const std::int16_t state = found->second;
    found->second = static_cast<std::int16_t>(state & ~1);
    return state;
}

bool FakeOs::FileExists(const std::string& path)
{
    return files.count(path) != 0;
}

std::optional<std::string> FakeOs::ReadWholeFile(const std::string& path)
{
    const auto found = files.find(path);
    if (found == files.end())
        return std::nullopt;
    return found->second;
}

bool FakeOs::WriteWholeFile(const std::string& path, const std::string& bytes)
{
    if (failWrite) {
        // A write that fails half way leaves a truncated file behind.
        files[path] = bytes.substr(0, bytes.size() / 2);
        return false;
    }
    files[path] = bytes;
    return true;
}

bool FakeOs::ReplaceFileWith(const std::string& from, const std::string& to)
{
    const auto found = files.find(from);
    if (failReplace || found == files.end())
        return false;
    files[to] = found->second;
    files.erase(from);
    return true;
}

bool FakeOs::DeleteFileW(const std::string& path)
{
    return files.erase(path) != 0;
}

bool FakeOs::sndPlaySoundW(const std::string& path, std::uint32_t flags)
{
    soundsPlayed.push_back(path + (flags == os::kSndAsync ? "" : " (sync!)"));
    return true;
}

int FakeOs::MessageBoxW(os::Window, const std::string& text, const std::string& caption,
                        std::uint32_t type)
{
    messageBoxes.push_back({text, caption, type});
    if (whileMessageBox) {
        const Box shown = messageBoxes.back();
        whileMessageBox(shown);
    }
    return 1;
}

std::intptr_t FakeOs::ShellExecuteW(os::Window owner, const std::string& verb,
                                    const std::string& file, const std::string& parameters,
                                    const std::string& directory, int show)
{
    shellCalls.push_back({owner, verb, file, parameters, directory, show});
    return 42;
}

} // namespace fake
