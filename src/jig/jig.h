// The programming jig a run drives: the port, HID devices and clock the
// window's transfers go through, a hook once the platform is chosen, and what
// the jig keeps when the run ends. `--jig` names one: sim:FILE (a virtual
// pager kept in FILE), lpt1 or lpt2 (the real jig through ppdev), usb (the
// real USB jig through hidraw), sim-usb:FILE (the virtual pager of sim:FILE
// behind a virtual USB jig); FILE may name a folder, the virtual jig's
// socket, whose one pager file is the pager on the jig. A parallel jig is detected on LPT1 at
// start-up, as the window does; lpt2 is the Port menu's LPT2 choice after it. With a USB jig the
// parallel port is not offered, so it is neither probed nor logged, and the jig is the first device
// the first HID scan takes.
#pragma once

#include "link/clock.h"
#include "link/hid_backend.h"
#include "link/port_driver.h"
#include "link/ppdev_calls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ccp::jig {

enum class JigKind { Simulated, Lpt1, Lpt2, Usb, SimulatedUsb };

struct JigChoice {
    JigKind kind;
    std::string file; // the pager file of a simulated jig; usb:WHICH's WHICH
};

// Nothing for a text that names no jig.
std::optional<JigChoice> parseJig(std::string_view text);

// What `--jig` takes, for usage messages.
inline constexpr const char* kJigForms =
    "sim:FILE, sim-usb:FILE, lpt1, lpt2, usb, usb:PATH or usb:SERIAL";

// The window as a jig finds it once start-up and the platform steps are done.
struct WindowState {
    // The device select the platform steps left: the pager's EEPROM answers it.
    std::uint8_t eepromDeviceSelect = 0;
    // Port > LPT2.
    std::function<void()> chooseLpt2;
};

class Jig {
public:
    virtual ~Jig() = default;
    virtual link::PortDriver& port() = 0;
    virtual link::Clock& clock() = 0;
    // The HID devices among which a USB jig is looked for; nullptr for a
    // parallel jig.
    virtual link::HidBackend* hid() { return nullptr; }
    // After start-up and the platform steps, before the first transfer.
    virtual void ready(const WindowState& window) = 0;
    // At the end of the run, whatever its outcome: keeps what the jig holds.
    // The reason when it could not be kept.
    virtual std::optional<std::string> finish() = 0;
    // After each operation of a window that runs on: keeps what the jig
    // holds, refusing a pager file that was removed or made read-only since.
    // The reason when it could not be kept.
    virtual std::optional<std::string> keep() { return std::nullopt; }
    // The file of a virtual pager (the folder of a virtual socket); empty
    // for a real jig.
    virtual std::string pagerFile() const { return {}; }
    // Why a virtual socket cannot be used now (more than one pager in it, a
    // pager file that cannot be read); empty when it can, and for a real jig.
    virtual std::string fault() const { return {}; }
};

struct OpenedJig {
    std::unique_ptr<Jig> jig; // nullptr when refused
    std::string reason;       // why it was refused
};

// How a run uses its jig. The tool runs a virtual pager on virtual time and
// keeps its file once at the end; the window runs it at a real pager's pace
// and keeps the file after each operation, so it refuses at the start a file
// it could not keep.
struct JigUse {
    bool realTime = false;
    bool keptAfterEachOperation = false;
    // The kernel's ppdev calls for a real parallel jig; tests give their own.
    link::PpdevCalls* ppdev = nullptr;
};

OpenedJig openJig(const JigChoice& choice, JigUse use = {});

} // namespace ccp::jig
