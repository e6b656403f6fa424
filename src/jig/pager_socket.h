// The socket of a virtual jig: a folder in which the pager on the jig is the
// one `*.bin` pager file. Placing a pager is moving its file in, taking it
// off is moving it out, at any moment. The seated pager's file is held open,
// so that what the pager holds goes back into that same file even after it
// was moved out of the folder (on the same file system): a pager pulled from
// a real socket keeps what reached its EEPROM. No `*.bin` file is an empty
// socket; more than one is a fault that names them, and the seat then holds
// no pager.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ccp::jig {

class PagerSocket {
public:
    // `folder` exists and is a folder; a pager file holds `pagerBytes`.
    PagerSocket(std::string folder, std::size_t pagerBytes);
    ~PagerSocket();
    PagerSocket(const PagerSocket&) = delete;
    PagerSocket& operator=(const PagerSocket&) = delete;

    // What the folder holds now: its one pager file, and whether that is
    // the seated pager's file (under whatever name it has there now). The
    // fault is set when there is more than one, or the folder cannot be read.
    struct View {
        std::optional<std::string> one;
        bool seatedThere = false;
    };
    View look();
    // Seats the pager of `file` (a name in the folder); false, and the fault
    // set, when it is no pager file that can be read and written.
    bool seat(const std::string& file);

    bool seated() const { return fd_ >= 0; }
    // The seated pager's file as it was named when placed.
    const std::string& seatedFile() const { return seatedName_; }
    const std::vector<std::uint8_t>& placedBytes() const { return placed_; }
    // Why the seat holds no pager although the folder has pager files.
    const std::string& fault() const { return fault_; }
    const std::string& folder() const { return folder_; }

    // Writes `bytes` over the seated pager's file, wherever it is now;
    // nothing when no pager is seated. The reason when it could not.
    std::optional<std::string> keep(const std::vector<std::uint8_t>& bytes) const;
    // Lets the seated pager's file go (after its bytes were kept).
    void release();

private:
    // The one pager file in the folder, none, or the fault.
    struct Listing {
        std::vector<std::string> files; // sorted
        std::string error;
    };
    Listing list() const;

    std::string folder_;
    std::size_t pagerBytes_;
    int fd_ = -1;
    std::string seatedName_;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    std::vector<std::uint8_t> placed_;
    std::string fault_;
};

} // namespace ccp::jig
