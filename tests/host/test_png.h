// PNG files for the host's tests, written and read with libpng directly (not
// through the code under test), and a scratch directory for them.
#ifndef QFHOST_TESTS_TEST_PNG_H
#define QFHOST_TESTS_TEST_PNG_H

#include <cstdint>
#include <string>
#include <vector>

namespace qfhost_test {

// A scratch directory removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// What to write: libpng colour type and bit depth, and each row already
// packed as the PNG stores it (big-endian 16-bit samples, packed low depths).
struct PngLayout {
    int width = 0;
    int height = 0;
    int colorType = 0;  // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    std::vector<std::vector<std::uint8_t>> rows;
    std::vector<std::uint8_t> palette;      // RGB triples (palette images)
    std::vector<std::uint8_t> paletteAlpha; // tRNS for palette images
    int transparentGrey = -1;               // tRNS for grey images (sample value)
    bool interlaced = false;
};

bool WritePng(const std::string& path, const PngLayout& layout);

// A PNG as libpng's simplified reader sees it: its colour type flags and
// its pixels converted to 8-bit RGBA.
struct PngPixels {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    bool hasColor = false;
    bool colormapped = false;
    std::vector<std::uint8_t> rgba;
    std::uint8_t At(int x, int y, int channel) const {
        return rgba[(static_cast<std::size_t>(y) * width + x) * 4 + channel];
    }
};
bool ReadPng(const std::string& path, PngPixels* out);

// Writes `bytes` to a file as they are.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

}  // namespace qfhost_test

#endif
