#pragma once
// What the JPEG tests need from outside the code under test: djpeg's account
// of a file, its decoded pixels, and a tiny file system to fill up.
#include <cstdint>
#include <string>
#include <vector>

namespace jpegtest {

// Runs a shell command and returns what it printed on stdout; exitCode
// receives its exit status.
std::string Run(const std::string& command, int* exitCode = nullptr);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
std::vector<std::string> ListFolder(const std::string& folder);
std::string MakeTempFolder();
void RemoveTree(const std::string& path);

// djpeg -verbose -verbose, parsed.
struct JpegReport {
    bool ok { false };
    std::string frameMarker;            // "0xc0" baseline, "0xc2" progressive, ...
    int width { 0 };
    int height { 0 };
    int components { 0 };
    std::vector<std::vector<int>> quantTables; // 64 entries each, in file order
    std::vector<int> quantPrecisions;
    std::string raw;
};
JpegReport Inspect(const std::string& jpegPath);

// The file decoded by djpeg, as rows of RGB bytes.
struct Decoded {
    int width { 0 };
    int height { 0 };
    int channels { 0 }; // 3 for colour, 1 for grey
    std::vector<uint8_t> pixels;
};
Decoded Decode(const std::string& jpegPath);

// A tmpfs of the given size mounted on a fresh folder, unmounted and removed
// on destruction. mounted is false (with reason) where mounting is refused.
class TinyDisk {
public:
    explicit TinyDisk(size_t bytes);
    ~TinyDisk();
    TinyDisk(const TinyDisk&) = delete;
    TinyDisk& operator=(const TinyDisk&) = delete;

    bool mounted { false };
    std::string reason;
    std::string folder;
};

} // namespace jpegtest
