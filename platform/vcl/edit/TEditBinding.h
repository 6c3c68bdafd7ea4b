#pragma once
// What an edit control needs of its native widget beyond the common binding.
// Positions and lengths count characters of the text, not bytes.
class TEditBinding {
public:
    virtual ~TEditBinding() = default;

    virtual int SelStart() const = 0;
    virtual int SelLength() const = 0;
    // Selects length characters from start; the caret ends at the far end.
    virtual void SetSelection(int start, int length) = 0;
    virtual void SetMaxLength(int length) = 0;
    virtual void SetReadOnly(bool readOnly) = 0;
};
