// The client's request block, found through the atom that came with the message.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace standin {

// Maps the section named by a global atom for the length of one exchange.
// Nothing is kept between messages: a handle held on to would keep the
// section alive after the client closes it, and its next open under the same
// name would then find the name taken.
class MappedBlock {
  public:
    // `wParam` as the message brought it: the atom in its low 16 bits (the
    // client sign-extends it).
    explicit MappedBlock(WPARAM wParam);
    ~MappedBlock();
    MappedBlock(const MappedBlock&) = delete;
    MappedBlock& operator=(const MappedBlock&) = delete;

    std::uint8_t* Data() const { return view_; }
    std::size_t Size() const { return size_; }
    // Why there is no block, when Data() is null.
    const char* Failure() const { return failure_; }
    const std::string& Name() const { return name_; }

  private:
    HANDLE section_ = nullptr;
    std::uint8_t* view_ = nullptr;
    std::size_t size_ = 0;
    const char* failure_ = nullptr;
    std::string name_;
};

} // namespace standin
