// Read From Pager and Write To Pager: the pager's configuration through the
// active transport into the window, and the window's settings into the
// pager. A read lands in staging buffers and is taken over only once its
// checksum holds; a write first takes the configuration that the pager's
// hardware fixes from the pager (unless repair mode is on), programs the
// decoder on the 5003 platforms, writes and verifies the EEPROM, and on
// success advances every capcode by its step for the next pager. Each step
// logs one line; the progress dialog is closed on every path. The parallel
// port is held from the start of an operation to its end, and only then.
#pragma once

#include "editor/address_rules.h"
#include "editor/channel_frequency_rules.h"
#include "editor/editor_context.h"
#include "editor/field_rules.h"
#include "editor/image_decoder.h"
#include "editor/image_encoder.h"
#include "form/controls.h"
#include "link/transfers.h"
#include "model/image.h"
#include "ops/operation_dialog.h"
#include "ops/production_log.h"
#include "ops/record_sink.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ccp::ops {

struct OperationRules {
    editor::FieldRules& fields;
    editor::AddressRules& addresses;
    editor::ChannelFrequencyRules& frequency;
    editor::ImageEncoder& encoder;
    editor::ImageDecoder& decoder;
};

inline constexpr const char* kEepromTypeCode = "04";
inline constexpr const char* kReadCompleted = "Read completed";
inline constexpr const char* kVerifyOk = "Verify OK !";

class PagerOperations {
public:
    // All outlive the object. `repair` is Help > Repair, whose check mark is
    // repair mode; `deviceSelect` is the window's EepromDeviceSelect.
    PagerOperations(editor::EditorContext& context, OperationRules rules,
                    link::ProgrammerTransfers& transfers, OperationDialog& dialog,
                    const form::MenuItem& repair, const std::uint8_t& deviceSelect,
                    const link::ProgrammerLink& link);

    // Where every write attempt is recorded; nullptr keeps no record.
    void setProductionLog(RecordSink* log) { productionLog_ = log; }
    // Runs once a write is about to send its first byte to the pager; a
    // reason stops the write there, with the pager untouched.
    using BeforeSending = std::function<std::optional<std::string>()>;
    void setBeforeSending(BeforeSending hook) { beforeSending_ = std::move(hook); }

    // True when the read ended with "Read completed".
    bool ReadFromPagerClick();
    // True when the write ended with "Verify OK !".
    bool WriteToPagerClick();
    // True while a read or write runs (a box it opened may run events).
    bool running() const { return running_ > 0; }

    model::EepromImage ReadStaging{};
    model::DecoderImage DecoderStaging{};

private:
    bool writeToPager();
    // The window's values that go to the pager: capcodes, enables, serial,
    // firmware and the image's digest.
    WriteRecord describePager() const;
    void record(std::size_t firstLine, bool written, const std::string& error);
    // Asks the person at the bench and keeps the question for the record.
    bool ask(const std::string& caption, const std::string& text);
    // The decoder (when asked) into DecoderStaging, then the EEPROM into
    // ReadStaging; a failure logs its line, closes the dialog, and is false.
    bool readStaging(bool withDecoder, const char* decoderFailed, const char* eepromFailed);
    bool readHardwareConfig();
    bool programDecoder();
    bool writeEeprom();
    void autoIncrement();
    void fail(const char* line);

    editor::EditorContext& context_;
    OperationRules rules_;
    link::ProgrammerTransfers& transfers_;
    OperationDialog& dialog_;
    const form::MenuItem& repair_;
    const std::uint8_t& deviceSelect_;
    const link::ProgrammerLink& link_;
    // Counts the operations running; each first ends the placement looks.
    class Running {
    public:
        explicit Running(PagerOperations& operations);
        ~Running() { --operations_.running_; }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        PagerOperations& operations_;
    };
    int running_ = 0;
    RecordSink* productionLog_ = nullptr;
    BeforeSending beforeSending_;
    // The current write attempt: the pager's values as they were sent (none
    // before the transfer), and the questions asked.
    std::optional<WriteRecord> sent_;
    std::vector<Question> questions_;
};

} // namespace ccp::ops
