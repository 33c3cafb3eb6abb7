// A hostile peer: after a batch of reads, the block holds whatever the input
// says when the exchange returns. The walk must end, stay inside the block,
// and write no caller more bytes than it queued for. Every buffer sits between
// guard bytes, and each is a heap block of its own so that ASan sees strays.
#include "fake/FakeOs.h"
#include "simlink/Link.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kGuard = 16;
constexpr std::uint8_t kGuardByte = 0xCD;

struct Buffer {
    std::uint32_t size;
    std::unique_ptr<std::uint8_t[]> bytes; // guard + size + guard

    std::uint8_t* Data() { return bytes.get() + kGuard; }
    bool GuardsIntact() const
    {
        for (std::size_t i = 0; i < kGuard; ++i)
            if (bytes[i] != kGuardByte || bytes[kGuard + size + i] != kGuardByte)
                return false;
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // First byte: how many reads (1..16); then one byte of size per read.
    const std::size_t reads = 1 + data[0] % 16;
    if (size < 1 + reads)
        return 0;

    fake::FakeOs os;
    simlink::Link link{os};
    std::int32_t result = 0;
    if (!link.IpcOpen(0, result))
        std::abort();

    std::vector<Buffer> buffers;
    for (std::size_t i = 0; i < reads; ++i) {
        const std::uint32_t n = data[1 + i] % 133; // up to the 128-byte text and a bit more
        Buffer b{n, std::make_unique<std::uint8_t[]>(n + 2 * kGuard)};
        std::memset(b.bytes.get(), kGuardByte, n + 2 * kGuard);
        // Null destinations travel too.
        void* destination = (data[1 + i] & 0x80) != 0 ? nullptr : b.Data();
        if (!link.IpcRead(static_cast<simlink::SimOffset>(i * 4), n, destination, result))
            std::abort();
        buffers.push_back(std::move(b));
    }

    const std::uint8_t* payload = data + 1 + reads;
    const std::size_t payloadSize = size - 1 - reads;
    os.peer.tamper = [&](std::uint8_t* block) {
        std::memcpy(block, payload,
                    payloadSize < expect::wire::kBlockSize ? payloadSize
                                                           : expect::wire::kBlockSize);
    };
    link.IpcProcess(result);

    for (const Buffer& b : buffers)
        if (!b.GuardsIntact())
            std::abort();
    if (link.State().writePosition != link.State().viewStart)
        std::abort();
    return 0;
}
