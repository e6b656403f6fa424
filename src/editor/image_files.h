// Image files: the raw EepromImage (and on the 5003 platforms the
// DecoderImage) with no header. The platform selected now decides the format:
//   platforms 0-1: 560 bytes, EepromImage 0-511 then DecoderImage, block A;
//   platforms 2-4: 307 bytes, EepromImage 0-306, blocks A and B;
//   platforms 5-6: 512 bytes, EepromImage 0-511, blocks A and C.
// A load checks the whole file before it touches the images; a save never
// leaves a truncated file behind.
#pragma once

#include "editor/editor_context.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ccp::editor {

class AddressRules;
class ImageDecoder;
class ImageEncoder;

inline constexpr const char* kOpenFilter = "*.bin, *.eep|*.eep; *.bin";
inline constexpr const char* kSaveFilter = "*.bin|*.bin|*.eep|*.eep";
inline constexpr const char* kSaveDefaultExt = "eep";

struct FileFormat {
    std::size_t length; // bytes in the file
    bool withDecoder;   // the DecoderImage follows EepromImage bytes 0-511
    bool padShortFile;  // a shorter file reads as 0xFF past its end
};

FileFormat fileFormatOf(int hardwarePlatform);

class ImageFiles {
public:
    ImageFiles(EditorContext& context, ImageEncoder& encoder, ImageDecoder& decoder,
               AddressRules& addresses);

    // File > Open and File > Save: ask for a file, then load or save it.
    void Open1Click();
    void Save1Click();

    // The same without the dialogs; true when the file was loaded or saved.
    bool load(const std::string& path);
    bool save(const std::string& path);
    // A load's checks and steps on the bytes a file would hold, from the size
    // check on (no "Load data from" line).
    bool loadImage(std::vector<std::uint8_t> bytes);

private:
    void fail(const char* line);

    EditorContext& context_;
    ImageEncoder& encoder_;
    ImageDecoder& decoder_;
    AddressRules& addresses_;
};

} // namespace ccp::editor
