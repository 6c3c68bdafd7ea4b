#pragma once
// TVelMidi collects a melody as a list of note entries and writes it as a
// Standard MIDI File (format 1, three tracks, 768 ticks per quarter note, 120
// quarter notes per minute, 4/4). It also does the note arithmetic that goes
// with it (octave and frequency of a key, seconds of a length code) and names
// the first 80 General MIDI instruments.
//
// A note entry is three texts, kept exactly as the caller gave them:
//   notes     one or more key numbers 0..127 separated by commas ("60" or
//             "60,64,67" for a chord; all keys of an entry sound together);
//   length    one of the 24 length codes: "1" "2" "4" "8" "16" "32" for the
//             fraction of a whole note, prefixed with "T" for a triplet (2/3),
//             "P" for dotted (3/2) or "D" for double-dotted (7/4);
//   velocity  an integer 0..127, used for both the start and the end of each key.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/TComponent.h"
#include "platform/rtl/TStringList.h"

class TAtomicFile;

// The note list: entry i is index i of each of the three lists, which always
// have the same count. They exist once per program and are shared by every
// TVelMidi, so entries added through one component are written and deleted
// through any other; destroying a component leaves them as they are.
extern TStringList NoteList;
extern TStringList LengthList;
extern TStringList VelocityList;

class TVelMidi : public TComponent {
public:
    explicit TVelMidi(TComponent* owner);

    // With true, a two-byte delta time is written exactly; with false its low
    // seven bits are written as 0, so such a length is rounded down to a
    // multiple of 128 ticks ("16" lasts 128 ticks instead of 192).
    bool ExactTiming { false };

    // Note arithmetic.
    // Octave 0 for keys below 12 (negative ones too), key div 12 above.
    int GetOctave(int key) const;
    // Frequency in Hz with three decimals truncated, "," as separator
    // whatever the locale: 69 gives "440,000". Keys above 127 raise EConvertError.
    AnsiString GetHz(int key) const;
    // Seconds of the length code when a whole note lasts wholeNoteSeconds;
    // 0 for a text that is not a length code.
    long double GetSekundenOfLength(const AnsiString& length, long double wholeNoteSeconds) const;
    // Seconds as text with three decimals truncated and "." as separator
    // ("1.500", "0.250"); below a tenth of a second it shows "0".
    AnsiString LongToStr(long double seconds) const;
    // Splits a notes text at its commas into target (cleared first). An empty
    // item between commas is kept, a trailing empty one is not; nothing is trimmed.
    void ExtractNotes(const AnsiString& notes, TStrings& target) const;
    void ExtractNotes(const AnsiString& notes, TStrings* target) const;

    // The note list. AddNote accepts any texts; WriteMidiFile checks them.
    void AddNote(const AnsiString& notes, const AnsiString& length, const AnsiString& velocity);
    // An index outside the list raises "List index out of bounds (%d)" and changes nothing.
    void DeleteNote(int index);
    void ClearNotes();

    // Writes the note list to fileName; the list is left unchanged. The file
    // is replaced as a whole through a temporary file in the same folder, so
    // it is never left half-written: an entry that would not give a valid
    // file raises EConvertError naming the entry (its index in the list) and
    // the offending text, and fileName stays as it was (or absent). A file
    // that cannot be written raises EInOutError naming it.
    void WriteMidiFile(const AnsiString& fileName);
    // Byte length of the note track's events, end of track included.
    int CountBytes() const;
    // Writes one entry's events at the current position of file: all note-ons
    // at delta 0, the entry's length before the first note-off, the other
    // note-offs at delta 0. Raises EConvertError, before writing anything,
    // for an entry that would not give valid events.
    void NoteOnEvent(TAtomicFile& file, const AnsiString& length, const AnsiString& notes, const AnsiString& velocity);

    // Instrument table: General MIDI programs 1..80, numbered from 0.
    // Appends the 80 names in order; the list is not cleared first.
    void FillInstrumentList(TStrings& list) const;
    void FillInstrumentList(TStrings* list) const;
    // Number of the name (exact, case-sensitive match); 0 when no name matches.
    int GetHexInstrument(const AnsiString& name) const;
    // Name of the number; "" outside 0..79.
    AnsiString GetStringInstrument(int number) const;
};
