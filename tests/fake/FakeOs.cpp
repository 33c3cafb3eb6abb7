#include "fake/FakeOs.h"

#include <algorithm>
#include <cstring>
#include <utility>

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
    // Threads and events are not in the resource log either.
    if (handle == &threadHandle_)
        return true;
    if (std::atomic<bool>* event = EventOf(handle)) {
        std::erase_if(events_, [event](const auto& each) { return each.get() == event; });
        return true;
    }
    // Files are not in the resource log: that tells the link's story.
    if (const auto file = openFiles_.find(handle); file != openFiles_.end()) {
        openFiles_.erase(file);
        return !FileCallFails("CloseHandle");
    }
    resourceLog.push_back("section-");
    for (auto& section : sections_) {
        if (section.get() == handle && section->handles > 0) {
            --section->handles;
            return true;
        }
    }
    ++strayCloses;
    return false;
}

void FakeOs::Sleep(std::uint32_t ms)
{
    sleeps.push_back(ms);
    now += ms;
    if (const std::function<void()> meanwhile = std::exchange(whileSleeping, nullptr))
        meanwhile();
}

os::Handle FakeOs::CreateThread(ThreadStart start, void* parameter)
{
    if (failCreateThread)
        return nullptr;
    ++threadsStarted;
    if (holdThreads)
        heldThreads_.emplace_back(start, parameter);
    else
        start(parameter);
    return &threadHandle_;
}

bool FakeOs::RunThreads()
{
    const bool held = !heldThreads_.empty();
    // A thread may start another as it runs.
    while (!heldThreads_.empty()) {
        const auto [start, parameter] = heldThreads_.front();
        heldThreads_.erase(heldThreads_.begin());
        start(parameter);
    }
    return held;
}

os::Handle FakeOs::CreateEventW()
{
    events_.push_back(std::make_unique<std::atomic<bool>>(false));
    return events_.back().get();
}

std::atomic<bool>* FakeOs::EventOf(os::Handle handle)
{
    for (const auto& event : events_)
        if (event.get() == handle)
            return event.get();
    return nullptr;
}

bool FakeOs::SetEvent(os::Handle event)
{
    EventOf(event)->store(true);
    return true;
}

bool FakeOs::ResetEvent(os::Handle event)
{
    EventOf(event)->store(false);
    return true;
}

std::uint32_t FakeOs::WaitForSingleObject(os::Handle object, std::uint32_t timeoutMs)
{
    if (EventOf(object)->load())
        return os::kWaitObject0;
    now += timeoutMs;
    return os::kWaitTimeout;
}

bool FakeOs::PostMessageW(os::Window, std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    posted.push_back(message);
    return true;
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

bool FakeOs::FileCallFails(const char* call)
{
    ++fileCalls;
    if (failFileCall == 0 || fileCalls < failFileCall ||
        (failFileCalls >= 0 && fileCalls >= failFileCall + failFileCalls))
        return false;
    failedFileCalls.emplace_back(call);
    lastError_ = fileCallError;
    return true;
}

std::uint32_t FakeOs::GetModuleFileNameW(std::string& path, std::uint32_t size)
{
    if (FileCallFails("GetModuleFileNameW") || programDirectory.empty())
        return 0;
    // As the system does: cut to the buffer, and then the whole buffer's size.
    const std::string module = programDirectory + "\\Tollivane.exe";
    path = module.substr(0, size);
    return module.size() < size ? static_cast<std::uint32_t>(module.size()) : size;
}

std::uint32_t FakeOs::GetFileAttributesW(const std::string& path)
{
    if (FileCallFails("GetFileAttributesW"))
        return os::kInvalidFileAttributes;
    if (directories.count(path) != 0)
        return os::kFileAttributeDirectory;
    if (files.count(path) != 0)
        return 0x80; // FILE_ATTRIBUTE_NORMAL
    lastError_ = os::kErrorFileNotFound;
    return os::kInvalidFileAttributes;
}

FakeOs::OpenFile* FakeOs::FileOf(os::Handle handle)
{
    const auto found = openFiles_.find(handle);
    return found == openFiles_.end() ? nullptr : found->second.get();
}

bool FakeOs::Fail(std::uint32_t error)
{
    lastError_ = error;
    return false;
}

bool FakeOs::IsOpen(const std::string& path) const
{
    return std::any_of(openFiles_.begin(), openFiles_.end(),
                       [&](const auto& open) { return open.second->path == path; });
}

os::Handle FakeOs::CreateFileW(const std::string& path, std::uint32_t access, std::uint32_t share,
                               std::uint32_t disposition)
{
    const bool exists = files.count(path) != 0;
    if (FileCallFails("CreateFileW") || failCreateFile || directories.count(path) != 0 ||
        (disposition == os::kOpenExisting && !exists) ||
        (disposition == os::kCreateAlways && readOnlyFolder && !exists))
        return nullptr;
    // Each side's share mode must allow what the other does with the file.
    const auto allows = [](std::uint32_t shareMode, std::uint32_t accessMode) {
        return ((accessMode & os::kGenericRead) == 0 || (shareMode & os::kFileShareRead) != 0) &&
               ((accessMode & os::kGenericWrite) == 0 || (shareMode & 0x2 /* WRITE */) != 0);
    };
    for (const auto& [handle, open] : openFiles_)
        if (open->path == path && (!allows(open->share, access) || !allows(share, open->access)))
            return nullptr;
    if (disposition == os::kCreateAlways)
        files[path].clear();
    auto open = std::make_unique<OpenFile>(OpenFile{path, access, share});
    os::Handle handle = open.get();
    openFiles_[handle] = std::move(open);
    return handle;
}

bool FakeOs::GetFileSizeEx(os::Handle file, std::int64_t* size)
{
    const OpenFile* open = FileOf(file);
    if (FileCallFails("GetFileSizeEx") || open == nullptr)
        return false;
    *size = static_cast<std::int64_t>(files[open->path].size());
    return true;
}

bool FakeOs::ReadFile(os::Handle file, void* buffer, std::uint32_t size, std::uint32_t* read)
{
    *read = 0;
    OpenFile* open = FileOf(file);
    if (FileCallFails("ReadFile") || failReadFile || open == nullptr ||
        (open->access & os::kGenericRead) == 0)
        return false;
    const std::string& content = files[open->path];
    const std::size_t left = content.size() > open->position ? content.size() - open->position : 0;
    const std::size_t n = std::min<std::size_t>(size, left);
    std::memcpy(buffer, content.data() + open->position, n);
    open->position += n;
    *read = static_cast<std::uint32_t>(n);
    return true;
}

bool FakeOs::WriteFile(os::Handle file, const void* data, std::uint32_t size,
                       std::uint32_t* written)
{
    *written = 0;
    const bool fails = FileCallFails("WriteFile");
    OpenFile* open = FileOf(file);
    if (open == nullptr || (open->access & os::kGenericWrite) == 0)
        return false;
    const std::uint32_t n = fails ? size / 2 : size;
    std::string& content = files[open->path];
    content.replace(open->position, n, static_cast<const char*>(data), n);
    open->position += n;
    *written = n;
    return !fails;
}

bool FakeOs::FlushFileBuffers(os::Handle file)
{
    return !FileCallFails("FlushFileBuffers") && FileOf(file) != nullptr;
}

bool FakeOs::MoveFileExW(const std::string& from, const std::string& to, std::uint32_t flags)
{
    if (FileCallFails("MoveFileExW"))
        return false;
    // Nothing here opens files with delete sharing, so an open file can be
    // neither moved nor replaced.
    const auto found = files.find(from);
    if (found == files.end())
        return Fail(os::kErrorFileNotFound);
    if (IsOpen(from) || IsOpen(to))
        return Fail(os::kErrorSharingViolation);
    if (readOnlyFolder || directories.count(to) != 0)
        return Fail(os::kErrorAccessDenied);
    if (files.count(to) != 0 && (flags & os::kMovefileReplaceExisting) == 0)
        return Fail(os::kErrorAlreadyExists);
    std::string content = std::move(found->second);
    files.erase(found);
    files[to] = std::move(content);
    return true;
}

bool FakeOs::DeleteFileW(const std::string& path)
{
    if (FileCallFails("DeleteFileW"))
        return false;
    if (files.count(path) == 0)
        return Fail(os::kErrorFileNotFound);
    if (IsOpen(path))
        return Fail(os::kErrorSharingViolation);
    if (readOnlyFolder)
        return Fail(os::kErrorAccessDenied);
    files.erase(path);
    return true;
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
