#include "link/report_descriptor.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace ccp::link {
namespace {

// Item prefix: bits 0-1 data size (3 means 4 bytes), bits 2-3 type, bits 4-7 tag.
constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr unsigned kTypeMain = 0;
constexpr unsigned kTypeGlobal = 1;

constexpr unsigned kMainInput = 0x8;
constexpr unsigned kMainOutput = 0x9;
constexpr unsigned kMainFeature = 0xB;
constexpr unsigned kMainCollection = 0xA;
constexpr unsigned kMainEndCollection = 0xC;

constexpr unsigned kGlobalReportSize = 0x7;
constexpr unsigned kGlobalReportId = 0x8;
constexpr unsigned kGlobalReportCount = 0x9;
constexpr unsigned kGlobalPush = 0xA;
constexpr unsigned kGlobalPop = 0xB;

// The HID core's limits; past them it refuses the descriptor.
constexpr std::uint32_t kMaxReportSizeBits = 256;
constexpr std::uint32_t kMaxReportCount = 12288;
constexpr std::size_t kMaxReportBytes = 16383; // 16 KiB buffer less the ID byte
constexpr std::size_t kGlobalStackDepth = 4;
constexpr std::size_t kReportIds = 256;

struct Globals {
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint32_t reportId = 0;
};

struct Item {
    unsigned type = 0;
    unsigned tag = 0;
    std::uint32_t data = 0; // little-endian, unsigned
};

class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool run() {
        while (pos_ < bytes_.size()) {
            if (bytes_[pos_] == kLongItemPrefix) {
                if (!skipLongItem()) {
                    return false;
                }
                continue;
            }
            Item item;
            if (!shortItem(item) || !apply(item)) {
                return false;
            }
        }
        return collectionDepth_ == 0;
    }

    std::size_t length(const std::array<std::size_t, kReportIds>& bits) const {
        const std::size_t longest = *std::max_element(bits.begin(), bits.end());
        return longest == 0 ? 0 : (longest + 7) / 8 + 1;
    }

    std::array<std::size_t, kReportIds> inputBits{};
    std::array<std::size_t, kReportIds> outputBits{};
    bool inputNumbered = false;

private:
    // Long item: prefix, data size, tag, data. None are defined, so they are
    // stepped over. False when it does not fit in what is left.
    bool skipLongItem() {
        if (bytes_.size() - pos_ < 3) {
            return false;
        }
        const std::size_t size = bytes_[pos_ + 1];
        if (bytes_.size() - pos_ - 3 < size) {
            return false;
        }
        pos_ += 3 + size;
        return true;
    }

    // False when the item does not fit in what is left.
    bool shortItem(Item& item) {
        const std::uint8_t prefix = bytes_[pos_];
        const std::size_t sizeCode = prefix & 0x03u;
        const std::size_t size = sizeCode == 3 ? 4 : sizeCode;
        if (bytes_.size() - pos_ - 1 < size) {
            return false;
        }
        item.type = (prefix >> 2) & 0x03u;
        item.tag = prefix >> 4;
        item.data = 0;
        for (std::size_t i = 0; i < size; ++i) {
            item.data |= static_cast<std::uint32_t>(bytes_[pos_ + 1 + i]) << (8 * i);
        }
        pos_ += 1 + size;
        return true;
    }

    // Local items and reserved types change no length and are skipped.
    bool apply(const Item& item) {
        if (item.type == kTypeGlobal) {
            return global(item);
        }
        if (item.type == kTypeMain) {
            return main(item);
        }
        return true;
    }

    bool global(const Item& item) {
        switch (item.tag) {
        case kGlobalReportSize:
            globals_.reportSize = item.data;
            return item.data <= kMaxReportSizeBits;
        case kGlobalReportCount:
            globals_.reportCount = item.data;
            return item.data <= kMaxReportCount;
        case kGlobalReportId:
            globals_.reportId = item.data;
            return item.data != 0 && item.data < kReportIds;
        case kGlobalPush:
            if (stackDepth_ == kGlobalStackDepth) {
                return false;
            }
            stack_[stackDepth_++] = globals_;
            return true;
        case kGlobalPop:
            if (stackDepth_ == 0) {
                return false;
            }
            globals_ = stack_[--stackDepth_];
            return true;
        default:
            return true;
        }
    }

    bool main(const Item& item) {
        switch (item.tag) {
        case kMainInput:
            inputNumbered = inputNumbered || globals_.reportId != 0;
            return add(inputBits);
        case kMainOutput:
            return add(outputBits);
        case kMainFeature: // numbers the feature reports only
            return true;
        case kMainCollection:
            ++collectionDepth_;
            return true;
        case kMainEndCollection:
            if (collectionDepth_ == 0) {
                return false;
            }
            --collectionDepth_;
            return true;
        default: // unknown tags
            return true;
        }
    }

    bool add(std::array<std::size_t, kReportIds>& bits) {
        std::size_t& report = bits[globals_.reportId];
        report += std::size_t{globals_.reportSize} * globals_.reportCount;
        return report <= kMaxReportBytes * 8;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    Globals globals_;
    std::array<Globals, kGlobalStackDepth> stack_{};
    std::size_t stackDepth_ = 0;
    std::size_t collectionDepth_ = 0;
};

} // namespace

ReportDescriptorSummary parseReportDescriptor(std::span<const std::uint8_t> descriptor) {
    Parser parser(descriptor);
    if (!parser.run()) {
        return {};
    }
    ReportDescriptorSummary summary;
    summary.caps.inputReportLength = parser.length(parser.inputBits);
    summary.caps.outputReportLength = parser.length(parser.outputBits);
    summary.numberedInput = parser.inputNumbered;
    return summary;
}

} // namespace ccp::link
