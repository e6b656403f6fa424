// Arbitrary bytes loaded as an image file on one of the seven platforms (the
// first byte chooses), then saved again: a failed load changes neither image
// nor any control; a save ends with its "ok!" or "write error!" line.
#include "fuzz_check.h"
#include "support/pager_rig.h"
#include "support/snapshot.h"
#include "support/temp_dir.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ccp::fuzz::require;
    if (size == 0)
        return 0;
    static ccp::testing::TempDir dir;
    const std::string file = dir.file("input.eep");
    ccp::testing::TempDir::write(file, std::vector<unsigned char>(data + 1, data + size));

    ccp::testing::PagerRig rig;
    ccp::app::TForm1& window = rig.startOn(5, data[0] % 7);
    const auto eeprom = window.EepromImage;
    const auto decoder = window.DecoderImage;
    auto before = ccp::testing::snapshot(window);
    if (!window.imageFiles.load(file)) {
        auto after = ccp::testing::snapshot(window);
        after["Memo1"] = before["Memo1"];
        require(after == before, "a failed load changed a control");
        require(window.EepromImage == eeprom && window.DecoderImage == decoder,
                "a failed load changed an image");
    }
    window.dispatch([&] { window.imageFiles.save(dir.file("output.eep")); });
    const std::string& last = window.Memo1.lines().back();
    require(last == "ok!" || last == "write error!" || !rig.ui.errors.empty() ||
                last.rfind("Save data to", 0) == 0 || last.find("99") != std::string::npos,
            "a save ended with '" + last + "'");
    return 0;
}
