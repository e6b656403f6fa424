#include "sim/virtual_usb_jig.h"

#include "link/usb_jig.h"

namespace ccp::sim {

namespace {

using namespace link::usb;
constexpr std::size_t kDataOut = 5; // EEPROM data in a write command
constexpr std::size_t kDataIn = 3;  // data in a reply

std::size_t addressOf(std::span<const std::uint8_t> report) {
    return static_cast<std::size_t>(report[3]) << 8 | report[4];
}

} // namespace

VirtualUsbJig::VirtualUsbJig(Eeprom24c04& eeprom, Pcd5003& decoder)
    : eeprom_(eeprom), decoder_(decoder) {
}

std::uint64_t VirtualUsbJig::answerDelayUs(std::span<const std::uint8_t> report) const {
    if (report.size() < 2) {
        return 0;
    }
    const auto delay = delaysMs_.find(report[1]);
    return delay == delaysMs_.end() ? 0 : std::uint64_t{delay->second} * 1000;
}

Report VirtualUsbJig::reply(std::uint8_t code) const {
    Report out(caps_.inputReportLength, 0);
    if (out.size() > 1) {
        out[1] = code;
    }
    return out;
}

std::uint8_t VirtualUsbJig::eepromRead(std::span<const std::uint8_t> report, Report& out) {
    if (!eeprom_.answers(report[2] & 0x0F)) {
        return kReplyNoEeprom;
    }
    const std::size_t address = addressOf(report);
    for (std::size_t i = 0; i < link::usb::kChunk && kDataIn + i < out.size(); ++i) {
        out[kDataIn + i] = eeprom_.sendAt(address + i);
    }
    return kReplyEepromDone;
}

std::uint8_t VirtualUsbJig::eepromWrite(std::span<const std::uint8_t> report) {
    if (!eeprom_.answers(report[2] & 0x0F)) {
        return kReplyNoEeprom;
    }
    const std::size_t address = addressOf(report);
    for (std::size_t i = 0; i < link::usb::kChunk; ++i) {
        if (!eeprom_.programAt(address + i, report[kDataOut + i])) {
            return kReplyNoEeprom;
        }
    }
    return kReplyEepromDone;
}

std::vector<Report> VirtualUsbJig::onOutputReport(std::span<const std::uint8_t> report) {
    const std::size_t index = received_++;
    if (index >= silentFrom_ || report.size() != caps_.outputReportLength ||
        report.size() < link::usb::kMinOutputLength) {
        return {};
    }
    const std::uint8_t command = report[1];
    commands_.push_back(command);
    if (link::Crc8(report.subspan(1, report.size() - 2)) != report.back()) {
        return {reply(kReplyCrcError)};
    }
    if (const auto forced = forced_.find(command); forced != forced_.end()) {
        return {reply(forced->second)};
    }
    Report out = reply(kReplyEepromDone);
    switch (command) {
    case link::usb::kAttach:
        attached_ = true;
        break;
    case link::usb::kBegin:
    case link::usb::kEnd:
        break;
    case link::usb::kReadEeprom:
        out[1] = eepromRead(report, out);
        break;
    case link::usb::kWriteEeprom:
        out[1] = eepromWrite(report);
        break;
    case link::usb::kReadDecoder:
        out[1] = decoder_.answers() ? kReplyDecoderDone : kReplyNoDecoder;
        for (std::size_t i = 0; i < link::usb::kDecoderBytes && kDataIn + i < out.size(); ++i) {
            out[kDataIn + i] = decoder_.sendImageByte(i);
        }
        break;
    case link::usb::kProgramDecoder:
        out[1] = kReplyDecoderDone;
        for (std::size_t i = 0; i < link::usb::kDecoderBytes; ++i) {
            if (!decoder_.programImageByte(i, report[2 + i])) {
                out[1] = kReplyNoDecoder;
                break;
            }
        }
        break;
    default:
        out[1] = kReplyBadCommand;
        break;
    }
    return {out};
}

} // namespace ccp::sim
