#include "components/edit/TVelEdit.h"
#include "platform/rtl/LocaleText.h"
#include <array>

namespace {

// Releasing one of these never completes: they move, delete, confirm or
// switch modes, but do not type the start of a text.
constexpr std::array<WORD, 36> kKeysWithoutCompletion {
    16, 13, 8, 12, 20, 27, 32,       // Shift, Enter, Backspace, Clear, Caps Lock, Escape, Space
    33, 34, 35, 36,                  // Page Up, Page Down, End, Home
    37, 38, 39, 40,                  // arrows
    41, 42, 43, 44, 45, 46,          // Select, Print, Execute, Print Screen, Insert, Delete
    91, 92, 93,                      // Windows keys, Applications
    112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, // F1 to F12
};

bool CompletesOnRelease(WORD key)
{
    for (WORD k : kKeysWithoutCompletion) {
        if (k == key)
            return false;
    }
    return true;
}

// Whether the first n characters of entry equal text.
bool BeginsAs(const AnsiString& entry, const AnsiString& text, size_t n, bool caseSensitive)
{
    AnsiString head = AnsiLeftChars(entry, n);
    if (caseSensitive)
        return head == text;
    return AnsiLowerCase(head) == AnsiLowerCase(text);
}

// The edit keeps its own texts: a later change to the caller's list must not
// reach it.
void CopyTexts(TStringList& own, const TStrings* value)
{
    if (value == &own)
        return;
    own.Clear();
    if (value)
        own.AddStrings(*value);
}

}

TVelEdit::TVelEdit(TComponent* owner)
    : TEdit(owner)
{
}

void TVelEdit::SetDataList(const TStrings* value)
{
    CopyTexts(*FDataList, value);
}

void TVelEdit::SetExclusionList(const TStrings* value)
{
    CopyTexts(*FExclusionList, value);
}

AnsiString TVelEdit::Select(const AnsiString& completed, int* selStart)
{
    AnsiString text = completed;
    int pos = *selStart;
    if (OnSelect)
        OnSelect(this, text, pos);
    *selStart = pos;
    return text;
}

void TVelEdit::KeyDown(WORD& key, unsigned shift)
{
    TEdit::KeyDown(key, shift);
}

void TVelEdit::KeyUp(WORD& key, unsigned shift)
{
    if (CompletesOnRelease(key))
        Complete();
    // The program's own key-release handler still runs, after the completion.
    TEdit::KeyUp(key, shift);
}

void TVelEdit::Complete()
{
    const AnsiString typed = Text();
    const size_t n = AnsiCharCount(typed);

    for (int i = 0; i < FExclusionList->Count(); ++i) {
        if (BeginsAs(FExclusionList->Get(i), typed, n, FCaseSensitiveExlusion))
            return;
    }

    int matches = 0;
    AnsiString first;
    for (int i = 0; i < FDataList->Count(); ++i) {
        AnsiString entry = FDataList->Get(i);
        if (BeginsAs(entry, typed, n, FCaseSensitiveData)) {
            if (matches == 0)
                first = entry;
            ++matches;
        }
    }
    if (matches == 0 || (FOnlyIfUnequivocal && matches != 1))
        return;

    FSelStart = static_cast<int>(n);
    AnsiString completed = Select(first, &FSelStart);
    SetText(completed);
    int length = static_cast<int>(AnsiCharCount(completed));
    SetSelStart(FSelStart);
    SetSelLength(length - FSelStart);
}

void TVelEdit::DoExit()
{
    // A hidden or disabled edit cannot hold on to the focus: let it go.
    if (FExitAfterTab || !CanFocus()) {
        TEdit::DoExit();
        return;
    }
    // Keep the user here: take the focus back, and the exit event stays quiet.
    SetFocus();
}
