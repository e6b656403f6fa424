#include "link/usb_jig.h"

#include <algorithm>

namespace ccp::link {

namespace {

constexpr const char* kUsbErrorText = "USB error!";
constexpr unsigned kBracketSleepMs = 20;
constexpr unsigned kEepromEndSleepMs = 1000;
constexpr unsigned kDecoderSettleMs = 500;
constexpr std::size_t kDataIn = 3; // first data byte of a reply

const char* errorText(std::uint8_t reply, bool decoderCommand) {
    switch (reply) {
    case usb::kReplyNoDecoder:
        return decoderCommand ? "Decoder not found!" : nullptr;
    case usb::kReplyNoEeprom:
        return decoderCommand ? nullptr : "EERPOM not found!";
    case usb::kReplyUsbError:
        return kUsbErrorText;
    case usb::kReplyCrcError:
        return "CRC error!";
    case usb::kReplyBadCommand:
        return "CMD not valid!";
    default:
        return nullptr;
    }
}

} // namespace

std::uint8_t Crc8(std::span<const std::uint8_t> bytes) {
    std::uint8_t crc = 0;
    for (std::uint8_t byte : bytes) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool differs = ((byte >> bit) & 1) != (crc & 1);
            crc = static_cast<std::uint8_t>(crc >> 1);
            if (differs) {
                crc ^= 0x8C;
            }
        }
    }
    return crc;
}

int replyTimeoutMs(std::uint8_t command) {
    switch (command) {
    case usb::kAttach:
        return usb::kAttachTimeoutMs;
    case usb::kReadEeprom:
        return usb::kReadChunkTimeoutMs;
    case usb::kWriteEeprom:
        return usb::kWriteChunkTimeoutMs;
    case usb::kReadDecoder:
        return usb::kReadDecoderTimeoutMs;
    case usb::kProgramDecoder:
        return usb::kProgramDecoderTimeoutMs;
    default:
        return usb::kBracketTimeoutMs;
    }
}

UsbJig::UsbJig(const ProgrammerLink& link, Clock& clock, TransferProgress& progress,
               form::UserInterface& ui)
    : link_(link), clock_(clock), progress_(progress), ui_(ui) {
}

void UsbJig::usbError() {
    ui_.showMessage(kUsbErrorText);
}

// Sizes the buffers for the held device, keeping their bytes. A device whose
// reports cannot carry the commands is no jig this protocol can drive.
bool UsbJig::prepare() {
    if (device_ == nullptr) {
        usbError();
        return false;
    }
    const HidCaps caps = device_->GetCaps();
    if (caps.outputReportLength < usb::kMinOutputLength ||
        caps.inputReportLength < usb::kMinInputLength) {
        usbError();
        return false;
    }
    out_.resize(caps.outputReportLength, 0);
    in_.resize(caps.inputReportLength, 0);
    out_[0] = 0;
    return true;
}

void UsbJig::fill(std::size_t first, std::size_t last, std::uint8_t value) {
    std::fill(out_.begin() + static_cast<std::ptrdiff_t>(first),
              out_.begin() + static_cast<std::ptrdiff_t>(last) + 1, value);
}

// A reply carries a code and data and nothing of the command it answers: no
// command byte, no address, no sequence number. One that comes after its
// read has timed out stays queued on the node. The drain before each write
// takes it only if it is there by then; if it lands just after, it is read
// as that command's reply, and a read would complete with a chunk of another
// command's bytes. Timing cannot tell them apart either (a slow command and
// a fast one look alike), so the count decides: each command whose read
// timed out owes a reply, and before the next command the owed replies are
// waited for, kLateReplySettleMs each, and thrown away. A jig that still owes
// one then gets no command at all, and the transfer is a USB error, until its
// reply has come or the jig is taken again: no transfer ever reads a reply
// that is not its command's.
bool UsbJig::settle() {
    std::vector<std::uint8_t> stale(in_.size());
    while (owed_ > 0) {
        if (device_ == nullptr || !device_->ReadFile(stale, usb::kLateReplySettleMs)) {
            return false;
        }
        --owed_;
    }
    return true;
}

std::optional<std::uint8_t> UsbJig::send(std::uint8_t command, unsigned sleepMs,
                                         int stepAfterWrite) {
    if (owed_ > 0 && !settle()) {
        return std::nullopt;
    }
    out_[0] = 0;
    out_[1] = command;
    out_.back() = Crc8(std::span<const std::uint8_t>(out_).subspan(1, out_.size() - 2));
    if (device_ == nullptr || !device_->WriteFile(out_)) {
        return std::nullopt;
    }
    if (stepAfterWrite != 0) {
        progress_.stepBy(stepAfterWrite);
    }
    if (sleepMs != 0) {
        clock_.sleepMs(sleepMs);
    }
    bool timedOut = false;
    if (device_ == nullptr || !device_->ReadFile(in_, replyTimeoutMs(command), &timedOut)) {
        if (timedOut) {
            ++owed_;
        }
        return std::nullopt;
    }
    return in_[1];
}

bool UsbJig::exchange(std::uint8_t command, Replies replies, unsigned sleepMs, int stepAfterWrite) {
    const std::optional<std::uint8_t> reply = send(command, sleepMs, stepAfterWrite);
    if (!reply) {
        usbError();
        return false;
    }
    if (const char* text = errorText(*reply, replies == Replies::Decoder)) {
        ui_.showMessage(text);
        return false;
    }
    return true;
}

std::optional<std::uint8_t> UsbJig::readAt(std::uint8_t block, std::size_t address) {
    out_[2] = block;
    out_[3] = static_cast<std::uint8_t>(address >> 8);
    out_[4] = static_cast<std::uint8_t>(address & 0xFF);
    fill(5, 36, 0);
    return send(usb::kReadEeprom, 0);
}

EepromPresence UsbJig::presence(const EepromType& type, std::uint8_t deviceSelect) {
    if (!type.usbBlock || device_ == nullptr) {
        return EepromPresence::Failed;
    }
    const HidCaps caps = device_->GetCaps();
    if (caps.outputReportLength < usb::kMinOutputLength ||
        caps.inputReportLength < usb::kMinInputLength) {
        return EepromPresence::Failed;
    }
    out_.resize(caps.outputReportLength, 0);
    in_.resize(caps.inputReportLength, 0);
    const auto done = [](std::optional<std::uint8_t> reply) {
        return reply && errorText(*reply, false) == nullptr;
    };
    const bool brackets = link_.JigVersion >= 2;
    if (brackets) {
        fill(2, 33, 0);
        const std::optional<std::uint8_t> begun = send(usb::kBegin, kBracketSleepMs);
        if (begun == usb::kReplyNoEeprom) {
            return EepromPresence::Silent;
        }
        if (!done(begun)) {
            return EepromPresence::Failed;
        }
    }
    EepromPresence found = EepromPresence::Answers;
    for (const std::uint8_t select : {deviceSelect, static_cast<std::uint8_t>(deviceSelect ^ 2)}) {
        const std::optional<std::uint8_t> reply =
            readAt(static_cast<std::uint8_t>(*type.usbBlock | select), 0);
        if (done(reply)) {
            break;
        }
        if (reply != usb::kReplyNoEeprom) {
            return EepromPresence::Failed;
        }
        if (found == EepromPresence::OtherSelect) {
            return EepromPresence::Silent;
        }
        found = EepromPresence::OtherSelect;
    }
    if (brackets) {
        fill(2, 33, 0);
        if (!done(send(usb::kEnd, kBracketSleepMs))) {
            return EepromPresence::Failed;
        }
        clock_.sleepMs(kEepromEndSleepMs);
    }
    return found;
}

bool UsbJig::bracket(std::uint8_t command) {
    fill(2, 33, 0);
    return exchange(command, Replies::Eeprom, kBracketSleepMs);
}

bool UsbJig::readChunks(std::uint8_t block, std::size_t length, std::span<std::uint8_t> into) {
    for (std::size_t pos = 0; pos < length; pos += usb::kChunk) {
        out_[2] = block;
        out_[3] = static_cast<std::uint8_t>(pos >> 8);
        out_[4] = static_cast<std::uint8_t>(pos & 0xFF);
        fill(5, 36, 0);
        if (!exchange(usb::kReadEeprom, Replies::Eeprom, 0, static_cast<int>(usb::kChunk))) {
            return false;
        }
        const std::size_t n = std::min(usb::kChunk, length - pos);
        std::copy_n(in_.begin() + kDataIn, n, into.begin() + static_cast<std::ptrdiff_t>(pos));
    }
    return true;
}

TransferResult UsbJig::eeprom(const EepromType& type, std::uint8_t deviceSelect, bool read,
                              std::span<std::uint8_t> buffer) {
    const TransferResult refused = read ? TransferResult::ReadFailed : TransferResult::WriteFailed;
    if (!type.usbBlock || buffer.size() < type.length) {
        return refused;
    }
    if (!prepare()) {
        return TransferResult::UsbError;
    }
    const bool brackets = link_.JigVersion >= 2;
    if (brackets && !bracket(usb::kBegin)) {
        return TransferResult::UsbError;
    }
    const auto block = static_cast<std::uint8_t>(*type.usbBlock | deviceSelect);
    TransferResult result = TransferResult::ReadDone;
    if (read) {
        if (!readChunks(block, type.length, buffer)) {
            return TransferResult::UsbError;
        }
    } else {
        for (std::size_t pos = 0; pos < type.length; pos += usb::kChunk) {
            out_[2] = block;
            out_[3] = static_cast<std::uint8_t>(pos >> 8);
            out_[4] = static_cast<std::uint8_t>(pos & 0xFF);
            std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(pos), usb::kChunk,
                        out_.begin() + 5);
            if (!exchange(usb::kWriteEeprom, Replies::Eeprom, 0, static_cast<int>(usb::kChunk))) {
                return TransferResult::UsbError;
            }
        }
        progress_.setCaption(kVerifyCaption);
        progress_.setPosition(0);
        std::vector<std::uint8_t> scratch(type.length);
        if (!readChunks(block, type.length, scratch)) {
            return TransferResult::UsbError;
        }
        result = std::equal(scratch.begin(), scratch.end(), buffer.begin())
                     ? TransferResult::Verified
                     : TransferResult::VerifyFailed;
    }
    if (brackets) {
        if (!bracket(usb::kEnd)) {
            return TransferResult::UsbError;
        }
        clock_.sleepMs(kEepromEndSleepMs);
    }
    return result;
}

DecoderResult UsbJig::decoder(bool read, std::span<std::uint8_t> buffer) {
    if (buffer.size() < usb::kDecoderBytes) {
        return DecoderResult::Failed;
    }
    if (!prepare()) {
        return DecoderResult::UsbError;
    }
    const bool brackets = link_.JigVersion >= 2;
    if (brackets && !bracket(usb::kBegin)) {
        return DecoderResult::UsbError;
    }
    clock_.sleepMs(kDecoderSettleMs);
    DecoderResult result = DecoderResult::Done;
    if (read) {
        fill(2, 37, 0);
        if (!exchange(usb::kReadDecoder, Replies::Decoder)) {
            return DecoderResult::UsbError;
        }
        std::copy_n(in_.begin() + kDataIn, usb::kDecoderBytes, buffer.begin());
    } else {
        std::copy_n(buffer.begin(), usb::kDecoderBytes, out_.begin() + 2);
        if (!exchange(usb::kProgramDecoder, Replies::Decoder)) {
            return DecoderResult::UsbError;
        }
        // The verify read keeps the programmed bytes in the report.
        fill(32, 37, 0);
        if (!exchange(usb::kReadDecoder, Replies::Decoder)) {
            return DecoderResult::UsbError;
        }
        result =
            std::equal(buffer.begin(), buffer.begin() + usb::kDecoderBytes, in_.begin() + kDataIn)
                ? DecoderResult::Done
                : DecoderResult::VerifyFailed;
    }
    if (brackets) {
        if (!bracket(usb::kEnd)) {
            return DecoderResult::UsbError;
        }
        clock_.sleepMs(kDecoderSettleMs);
    }
    return result;
}

void UsbJig::sendAttach() {
    if (device_ == nullptr) {
        return;
    }
    const HidCaps caps = device_->GetCaps();
    if (caps.outputReportLength < 3 || caps.inputReportLength < 2) {
        return;
    }
    out_.resize(caps.outputReportLength, 0);
    in_.resize(caps.inputReportLength, 0);
    out_[0] = 0;
    out_[1] = usb::kAttach;
    out_.back() = Crc8(std::span<const std::uint8_t>(out_).subspan(1, out_.size() - 2));
    bool timedOut = false;
    if (device_->WriteFile(out_) && !device_->ReadFile(in_, usb::kAttachTimeoutMs, &timedOut) &&
        timedOut) {
        ++owed_;
    }
}

} // namespace ccp::link
