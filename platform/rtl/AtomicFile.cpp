#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

AnsiString ErrorText(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

AnsiString FolderOf(const AnsiString& path)
{
    size_t slash = path.rfind('/');
    if (slash == AnsiString::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

AnsiString BaseOf(const AnsiString& path)
{
    size_t slash = path.rfind('/');
    return slash == AnsiString::npos ? path : path.substr(slash + 1);
}

// The file a rename must replace: a symbolic link is followed so that the
// link survives and its target gets the new content. A dangling link or an
// unreadable chain falls back to the name itself.
AnsiString ResolveTarget(const AnsiString& fileName)
{
    struct stat st;
    if (::lstat(fileName.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return fileName;
    char resolved[PATH_MAX];
    if (::realpath(fileName.c_str(), resolved))
        return resolved;
    return fileName;
}

void SyncFolder(const AnsiString& folder)
{
    // Makes the rename itself durable. Some file systems refuse to sync a
    // folder; the new content is in place either way, so that is not an error.
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

TAtomicFile::TAtomicFile(const AnsiString& fileName)
    : m_fileName(fileName)
{
    if (fileName.empty())
        throw EInOutError("Cannot create a file without a name");
    if (fileName.back() == '/')
        throw EInOutError(Format("Cannot create \"%s\": %s", fileName.c_str(), ErrorText(EISDIR).c_str()));

    m_buffer = std::make_unique<char[]>(kBufferSize); // before the file exists, so nothing leaks if this throws
    m_targetPath = ResolveTarget(fileName);
    AnsiString folder = FolderOf(m_targetPath);
    // Shortened so that a name near the file system's limit still leaves room for the suffix.
    AnsiString base = BaseOf(m_targetPath).substr(0, 200);

    struct stat existing;
    bool haveExisting = ::stat(m_targetPath.c_str(), &existing) == 0;
    if (haveExisting && S_ISDIR(existing.st_mode))
        throw EInOutError(Format("Cannot create \"%s\": %s", fileName.c_str(), ErrorText(EISDIR).c_str()));
    // A rename would put a plain file in place of a device, pipe or socket.
    if (haveExisting && !S_ISREG(existing.st_mode))
        throw EInOutError(Format("Cannot create \"%s\": not a regular file", fileName.c_str()));

    // O_EXCL with our own random suffix rather than mkstemp: the file is then
    // created with 0666 less the umask, exactly like a plain new file.
    std::random_device seed;
    std::mt19937_64 random(seed());
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        AnsiString suffix;
        uint64_t bits = random();
        for (int i = 0; i < 8; ++i, bits /= 36)
            suffix += kDigits[bits % 36];
        AnsiString candidate = (folder == "/" ? AnsiString("/") : folder + "/") + "." + base + "." + suffix + ".tmp";
        m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_tempName = candidate;
            break;
        }
        error = errno;
    }
    if (m_fd < 0)
        throw EInOutError(Format("Cannot create \"%s\": %s", fileName.c_str(), ErrorText(error).c_str()));

    if (haveExisting)
        ::fchmod(m_fd, existing.st_mode & 07777); // best effort: a foreign file's mode may not be ours to set
}

TAtomicFile::~TAtomicFile()
{
    Discard();
}

void TAtomicFile::CheckOpen() const
{
    if (m_fd < 0)
        throw EInOutError(Format("Cannot write \"%s\": the file is already closed", m_fileName.c_str()));
}

void TAtomicFile::Fail(const char* what, int error)
{
    Discard();
    throw EInOutError(Format("Cannot %s \"%s\": %s", what, m_fileName.c_str(), ErrorText(error).c_str()));
}

void TAtomicFile::WriteThrough(const char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail("write", errno);
        }
        if (n == 0)
            Fail("write", ENOSPC);
        data += n;
        size -= static_cast<size_t>(n);
        m_written += static_cast<uint64_t>(n);
    }
}

void TAtomicFile::FlushBuffer()
{
    CheckOpen();
    size_t used = m_used;
    m_used = 0;
    WriteThrough(m_buffer.get(), used);
}

void TAtomicFile::WriteSlow(const void* data, size_t size)
{
    CheckOpen();
    const char* bytes = static_cast<const char*>(data);
    FlushBuffer();
    if (size >= kBufferSize) {
        WriteThrough(bytes, size);
        return;
    }
    std::memcpy(m_buffer.get(), bytes, size);
    m_used = size;
}

void TAtomicFile::Commit()
{
    CheckOpen();
    FlushBuffer();
    if (::fsync(m_fd) != 0)
        Fail("write", errno);
    int fd = m_fd;
    m_fd = -1;
    m_used = kBufferSize; // a stray WriteByte now lands in FlushBuffer and fails
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(m_tempName.c_str());
        m_tempName.clear();
        throw EInOutError(Format("Cannot write \"%s\": %s", m_fileName.c_str(), ErrorText(error).c_str()));
    }
    if (::rename(m_tempName.c_str(), m_targetPath.c_str()) != 0) {
        int error = errno;
        ::unlink(m_tempName.c_str());
        m_tempName.clear();
        throw EInOutError(Format("Cannot write \"%s\": %s", m_fileName.c_str(), ErrorText(error).c_str()));
    }
    m_tempName.clear();
    SyncFolder(FolderOf(m_targetPath));
}

void TAtomicFile::Discard() noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_used = kBufferSize;
    if (!m_tempName.empty()) {
        ::unlink(m_tempName.c_str());
        m_tempName.clear();
    }
}

void WriteFileAtomically(const AnsiString& fileName, std::string_view bytes)
{
    TAtomicFile file(fileName);
    file.Write(bytes);
    file.Commit();
}

void WriteFileAtomically(const AnsiString& fileName, const std::function<void(TAtomicFile&)>& produce)
{
    TAtomicFile file(fileName);
    produce(file);
    file.Commit();
}
