#include "tests/platform/vcl/jpeg/JpegTestTools.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace jpegtest {

std::string Run(const std::string& command, int* exitCode)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    int status = ::pclose(pipe);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name != "lost+found")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string MakeTempFolder()
{
    char pattern[] = "/tmp/vel-jpeg-XXXXXX";
    if (!::mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void RemoveTree(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

JpegReport Inspect(const std::string& jpegPath)
{
    JpegReport report;
    int code = 0;
    report.raw = Run("djpeg -verbose -verbose '" + jpegPath + "' 2>&1 >/dev/null", &code);
    report.ok = code == 0;
    std::istringstream lines(report.raw);
    std::string line;
    std::vector<int>* table = nullptr;
    while (std::getline(lines, line)) {
        int index = 0, precision = 0;
        if (std::sscanf(line.c_str(), "Define Quantization Table %d precision %d", &index, &precision) == 2) {
            report.quantTables.emplace_back();
            report.quantPrecisions.push_back(precision);
            table = &report.quantTables.back();
            continue;
        }
        if (table && table->size() < 64) {
            std::istringstream numbers(line);
            int value;
            bool any = false;
            while (numbers >> value) {
                table->push_back(value);
                any = true;
            }
            if (any)
                continue;
        }
        table = nullptr;
        char marker[16] = {};
        int w = 0, h = 0, c = 0;
        if (std::sscanf(line.c_str(), "Start Of Frame %15[^:]: width=%d, height=%d, components=%d", marker, &w, &h, &c) == 4) {
            report.frameMarker = marker;
            report.width = w;
            report.height = h;
            report.components = c;
        }
    }
    return report;
}

Decoded Decode(const std::string& jpegPath)
{
    Decoded image;
    int code = 0;
    std::string pnm = Run("djpeg -pnm '" + jpegPath + "' 2>/dev/null", &code);
    if (code != 0 || pnm.size() < 2)
        return image;
    std::istringstream header(pnm);
    std::string magic;
    int maxValue = 0;
    header >> magic >> image.width >> image.height >> maxValue;
    header.get(); // the single blank after the header
    image.channels = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
    size_t offset = static_cast<size_t>(header.tellg());
    size_t size = static_cast<size_t>(image.width) * image.height * image.channels;
    if (image.channels == 0 || maxValue != 255 || pnm.size() < offset + size)
        return Decoded {};
    image.pixels.assign(pnm.begin() + static_cast<long>(offset), pnm.begin() + static_cast<long>(offset + size));
    return image;
}

TinyDisk::TinyDisk(size_t bytes)
{
    folder = MakeTempFolder();
    std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0) {
        mounted = true;
        return;
    }
    reason = std::string("cannot mount a tmpfs on ") + folder + " (" + std::strerror(errno)
        + "); run as root with CAP_SYS_ADMIN to test a full disk";
}

TinyDisk::~TinyDisk()
{
    if (mounted)
        ::umount2(folder.c_str(), MNT_DETACH);
    RemoveTree(folder);
}

} // namespace jpegtest
