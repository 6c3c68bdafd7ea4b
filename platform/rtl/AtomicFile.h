#pragma once
// Replaces a file as a whole. The bytes go to a temporary file in the target's
// own folder (so the final rename never crosses a file system); only when all
// of them are written and flushed to disk is the temporary file renamed over
// the target. A reader therefore sees the old file or the complete new one,
// never a half-written one, and on any failure the temporary file is removed
// and the target is left exactly as it was.
//
// Every failure raises EInOutError with a message that names the target file.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/TObject.h"
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

class TAtomicFile : public TObject {
public:
    // Creates the temporary file beside fileName (a symbolic link is followed,
    // so the file it points to is replaced and the link stays). An existing
    // target's permission bits are carried over; a new file gets 0666 less the
    // umask, like any newly created file. A device, pipe or socket is not
    // replaced; a hard link to the old file keeps the old content.
    explicit TAtomicFile(const AnsiString& fileName);
    // Without Commit the temporary file is removed and the target is untouched.
    ~TAtomicFile() override;

    // Buffered writes; large blocks bypass the buffer. The common small
    // write is a copy into the buffer, inline.
    void Write(const void* data, size_t size)
    {
        if (m_fd >= 0 && size <= kBufferSize - m_used) {
            if (size > 0) // data may be null for an empty write
                std::memcpy(m_buffer.get() + m_used, data, size);
            m_used += size;
            return;
        }
        WriteSlow(data, size);
    }
    void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
    void WriteByte(uint8_t byte)
    {
        if (m_used == kBufferSize)
            FlushBuffer();
        m_buffer[m_used++] = static_cast<char>(byte);
    }

    // Flushes, syncs and closes the temporary file and renames it over the
    // target. After a failure here the temporary file is gone as well.
    void Commit();
    // Drops everything written so far; the target is untouched. Safe to call twice.
    void Discard() noexcept;

    const AnsiString& FileName() const { return m_fileName; }
    // The temporary file's path (empty once committed or discarded).
    const AnsiString& TempName() const { return m_tempName; }
    // Bytes handed to Write so far.
    uint64_t Size() const { return m_written + (m_fd >= 0 ? m_used : 0); }

private:
    static constexpr size_t kBufferSize = 64 * 1024;

    void WriteSlow(const void* data, size_t size);
    void FlushBuffer();
    void WriteThrough(const char* data, size_t size);
    void CheckOpen() const;
    [[noreturn]] void Fail(const char* what, int error);

    AnsiString m_fileName;   // as the caller gave it, for messages
    AnsiString m_targetPath; // where the rename goes (links resolved)
    AnsiString m_tempName;
    int m_fd { -1 };
    std::unique_ptr<char[]> m_buffer;
    size_t m_used { 0 };
    uint64_t m_written { 0 };
};

// One-call forms: write the bytes, or whatever produce writes, and commit.
void WriteFileAtomically(const AnsiString& fileName, std::string_view bytes);
void WriteFileAtomically(const AnsiString& fileName, const std::function<void(TAtomicFile&)>& produce);
