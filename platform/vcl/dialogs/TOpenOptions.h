#pragma once
// The options of the file dialogs, as a set. Options the toolkit's dialog has
// no counterpart for are kept (a window description may set them) but change
// nothing: there is never a read-only check box, and the working folder is
// never changed by a dialog.
#include <cstdint>
#include <initializer_list>

enum TOpenOption : uint8_t {
    ofReadOnly,
    ofOverwritePrompt, // asks before an existing file is replaced
    ofHideReadOnly,
    ofNoChangeDir,
    ofPathMustExist,   // the folder of the name typed must exist
    ofFileMustExist,   // the file itself must exist
    ofEnableSizing,    // the dialog can be resized
};

class TOpenOptions {
public:
    constexpr TOpenOptions() = default;
    constexpr TOpenOptions(std::initializer_list<TOpenOption> options)
    {
        for (TOpenOption option : options)
            m_bits |= Bit(option);
    }

    constexpr bool Contains(TOpenOption option) const { return (m_bits & Bit(option)) != 0; }
    constexpr TOpenOptions& operator<<(TOpenOption option)
    {
        m_bits |= Bit(option);
        return *this;
    }
    constexpr TOpenOptions& operator>>(TOpenOption option)
    {
        m_bits &= ~Bit(option);
        return *this;
    }
    constexpr bool operator==(const TOpenOptions&) const = default;

private:
    static constexpr uint32_t Bit(TOpenOption option) { return uint32_t { 1 } << option; }
    uint32_t m_bits { 0 };
};
