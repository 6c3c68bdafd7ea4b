#include "components/midi/TVelMidi.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include <climits>
#include <cstdint>
#include <cmath>
#include <string_view>
#include <vector>

constinit TStringList NoteList;
constinit TStringList LengthList;
constinit TStringList VelocityList;

namespace {

// A whole note in ticks: 768 ticks per quarter note.
constexpr int kTicksPerWholeNote = 4 * 768;
constexpr int kHighestKey = 127;

struct LengthCode {
    constexpr LengthCode(std::string_view c, int n, int d)
        : code(c), numerator(n), denominator(d), ticks(kTicksPerWholeNote * n / d)
    {
    }
    std::string_view code;
    int numerator;
    int denominator;
    int ticks; // kept with the code: a division per entry shows in the writer's time
};

// Plain codes name a fraction of a whole note; "T" makes a triplet (2/3 of
// it), "P" a dotted note (3/2), "D" a double-dotted one (7/4).
constexpr LengthCode kLengthCodes[] = {
    { "1", 1, 1 }, { "2", 1, 2 }, { "4", 1, 4 }, { "8", 1, 8 }, { "16", 1, 16 }, { "32", 1, 32 },
    { "T1", 2, 3 }, { "T2", 1, 3 }, { "T4", 1, 6 }, { "T8", 1, 12 }, { "T16", 1, 24 }, { "T32", 1, 48 },
    { "P1", 3, 2 }, { "P2", 3, 4 }, { "P4", 3, 8 }, { "P8", 3, 16 }, { "P16", 3, 32 }, { "P32", 3, 64 },
    { "D1", 7, 4 }, { "D2", 7, 8 }, { "D4", 7, 16 }, { "D8", 7, 32 }, { "D16", 7, 64 }, { "D32", 7, 128 },
};

// Runs for every entry several times per file, so it decodes the code
// instead of comparing it with all 24.
inline const LengthCode* FindLength(std::string_view code)
{
    size_t row = 0;
    if (!code.empty()) {
        switch (code[0]) {
        case 'T': row = 1; break;
        case 'P': row = 2; break;
        case 'D': row = 3; break;
        default: break;
        }
    }
    std::string_view plain = row ? code.substr(1) : code;
    size_t column;
    if (plain.size() == 1) {
        switch (plain[0]) {
        case '1': column = 0; break;
        case '2': column = 1; break;
        case '4': column = 2; break;
        case '8': column = 3; break;
        default: return nullptr;
        }
    } else if (plain == "16") {
        column = 4;
    } else if (plain == "32") {
        column = 5;
    } else {
        return nullptr;
    }
    return &kLengthCodes[row * 6 + column];
}

// FindLength relies on the table's order: rows plain, T, P, D; columns 1 to 32.
constexpr bool LengthTableInOrder()
{
    constexpr std::string_view plain[] = { "1", "2", "4", "8", "16", "32" };
    constexpr std::string_view prefixes = " TPD";
    for (size_t i = 0; i < std::size(kLengthCodes); ++i) {
        std::string_view code = kLengthCodes[i].code;
        size_t row = i / 6;
        if (row > 0 && (code.empty() || code[0] != prefixes[row]))
            return false;
        if (code.substr(row > 0 ? 1 : 0) != plain[i % 6])
            return false;
    }
    return std::size(kLengthCodes) == 24;
}
static_assert(LengthTableInOrder());

// Bytes of a delta time as a variable-length quantity; every length code
// fits in two.
int DeltaBytes(int ticks)
{
    return ticks < 0x80 ? 1 : 2;
}

// Frequencies of the first and the second key of each octave; the other keys
// of an octave follow by repeated multiplication with their ratio.
constexpr double kFirstKeyHz[] = { 8.1758, 16.3516, 32.7032, 65.4064, 130.8128, 261.6256,
    523.2512, 1046.5025, 2093.0049, 4186.0098, 8372.0196 };
constexpr double kSecondKeyHz[] = { 8.662, 17.3239, 34.6478, 69.2957, 138.5913, 277.1827,
    554.3654, 1108.7307, 2217.4614, 4434.9229, 8869.8457 };

constexpr const char* kInstruments[] = {
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-Tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavichord",
    "Celesta", "Chime", "Music Box", "Vibraphon",
    "Marimba", "Xylophon", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ",
    "Reed Organ", "Akkordion", "Harmonica", "Tango Akkordion",
    "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Acoustic Guitar (Jazz)", "Acoustic Guitar (clean)",
    "Acoustic Guitar (muted)", "Overdriven Guitar", "Distortion", "Guitar Harmonics",
    "Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass",
    "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
    "Violin", "Viola", "Cello", "Contrabass",
    "Strings (tremolo)", "Strings (pizzicato)", "Orchestral Harp", "Timpani",
    "String Ensemble 1", "String Ensemble 2", "Synth Strings 1", "Synth Strings 2",
    "Choirs Aahs", "Voice Oohs", "Synth Voice", "Orchestra Hit",
    "Trumpet", "Trombone", "Tuba", "Trumpet (muted)",
    "French Horn", "Brass Section", "Synth Brass 1", "Synth Brass 2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax",
    "Oboe", "English Horn", "Bassoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute",
    "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
};
constexpr int kInstrumentCount = static_cast<int>(std::size(kInstruments));
static_assert(kInstrumentCount == 80);

// Calls each(item) for every item of a notes text, split exactly as
// ExtractNotes splits it, without building a list.
template<typename Each>
void ForEachItem(std::string_view notes, Each each)
{
    size_t start = 0;
    for (size_t i = 0; i < notes.size(); ++i) {
        if (notes[i] == ',') {
            each(notes.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < notes.size())
        each(notes.substr(start));
}

// Reads an item the way the notation defines it: leading white space and a
// sign are skipped, digits are read up to the first other character, and an
// item without digits is 0. Long digit runs saturate instead of overflowing;
// they are out of range either way.
long long ReadItem(std::string_view item)
{
    // Nearly every item is one to three plain digits.
    if (!item.empty() && item.size() <= 3) {
        long long value = 0;
        size_t i = 0;
        while (i < item.size() && item[i] >= '0' && item[i] <= '9')
            value = value * 10 + (item[i++] - '0');
        if (i == item.size())
            return value;
    }
    size_t i = 0;
    while (i < item.size() && (item[i] == ' ' || (item[i] >= '\t' && item[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) {
        negative = item[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < item.size() && item[i] >= '0' && item[i] <= '9'; ++i)
        if (value < 1'000'000'000'000LL)
            value = value * 10 + (item[i] - '0');
    return negative ? -value : value;
}

bool IsMidiData(long long value)
{
    return value >= 0 && value <= kHighestKey;
}

// Which entry a message is about: its index in the note list, or -1 for an
// entry that stands alone. Built only on failure, since the checks run for
// every entry of every file.
AnsiString Where(long long entry)
{
    return entry < 0 ? AnsiString() : Format(" of note entry %lld", entry);
}

// Raises EConvertError when the entry would not give valid events: a
// velocity outside the seven bits of a data byte, an unknown length code, no
// key, or a trailing comma (it would be counted as a key but not written).
// The keys themselves are checked by ReadKeys. Gives the entry's length code.
const LengthCode* CheckEntry(std::string_view notes, std::string_view length, long long velocity,
    std::string_view velocityText, long long entry)
{
    if (!IsMidiData(velocity))
        throw EConvertError(Format("Velocity '%.*s'%s is outside 0..127",
            static_cast<int>(velocityText.size()), velocityText.data(), Where(entry).c_str()));
    const LengthCode* code = FindLength(length);
    if (!code)
        throw EConvertError(Format("'%.*s'%s is not a length code",
            static_cast<int>(length.size()), length.data(), Where(entry).c_str()));
    if (notes.empty())
        throw EConvertError(Format("The notes text%s is empty", Where(entry).c_str()));
    if (notes.back() == ',')
        throw EConvertError(Format("The notes text '%.*s'%s ends with a comma",
            static_cast<int>(notes.size()), notes.data(), Where(entry).c_str()));
    return code;
}

// Reads every key of a notes text and raises EConvertError for one outside
// 0..127. The first `capacity` keys are kept in keys; gives the number of keys.
size_t ReadKeys(std::string_view notes, uint8_t* keys, size_t capacity, long long entry)
{
    size_t count = 0;
    ForEachItem(notes, [&](std::string_view item) {
        long long key = ReadItem(item);
        if (!IsMidiData(key))
            throw EConvertError(Format("Key '%.*s'%s is outside 0..127",
                static_cast<int>(item.size()), item.data(), Where(entry).c_str()));
        if (count < capacity)
            keys[count] = static_cast<uint8_t>(key);
        ++count;
    });
    return count;
}

void WriteBigEndian32(TAtomicFile& file, uint32_t value)
{
    file.WriteByte(static_cast<uint8_t>(value >> 24));
    file.WriteByte(static_cast<uint8_t>(value >> 16));
    file.WriteByte(static_cast<uint8_t>(value >> 8));
    file.WriteByte(static_cast<uint8_t>(value));
}

// Time signature meta event at delta 0: numerator, then the denominator as a
// power of two, 24 MIDI clocks per metronome click, eight 32nd notes per quarter.
void WriteTimeSignature(TAtomicFile& file, std::string_view signature)
{
    struct Known { std::string_view text; uint8_t numerator; uint8_t powerOfTwo; };
    static constexpr Known kKnown[] = { { "4/4", 4, 2 }, { "6/8", 6, 3 }, { "3/4", 3, 2 } };
    for (const Known& k : kKnown) {
        if (k.text == signature) {
            const uint8_t bytes[] = { 0x00, 0xFF, 0x58, 0x04, k.numerator, k.powerOfTwo, 0x18, 0x08 };
            file.Write(bytes, sizeof bytes);
            return;
        }
    }
    throw EConvertError(Format("'%.*s' is not a known time signature", static_cast<int>(signature.size()), signature.data()));
}

// Gathers an entry's events so that they reach the file in one Write instead
// of byte by byte; a large chord is passed on in several pieces.
class EventBuffer {
public:
    explicit EventBuffer(TAtomicFile& file) : m_file(file) { }
    void Put(uint8_t byte)
    {
        if (m_used == sizeof m_bytes)
            Flush();
        m_bytes[m_used++] = byte;
    }
    // Status, key and velocity of a note event, after its delta time.
    void PutNote(uint8_t status, uint8_t key, uint8_t velocity)
    {
        if (m_used > sizeof m_bytes - 3)
            Flush();
        m_bytes[m_used] = status;
        m_bytes[m_used + 1] = key;
        m_bytes[m_used + 2] = velocity;
        m_used += 3;
    }
    void Flush()
    {
        m_file.Write(m_bytes, m_used);
        m_used = 0;
    }

private:
    TAtomicFile& m_file;
    uint8_t m_bytes[256];
    size_t m_used { 0 };
};

// One entry's events: every note-on at delta 0, the entry's length before
// the first note-off, the other note-offs at delta 0. The entry has passed
// CheckEntry; its keys are checked here before the first byte goes out, so a
// bad key leaves the file as it was. A chord of more keys than the small
// array holds is read a second time to write them.
void WriteEntry(TAtomicFile& file, const LengthCode& length, std::string_view notes, uint8_t velocity,
    bool exactTiming, long long entry)
{
    uint8_t keys[16];
    const size_t count = ReadKeys(notes, keys, std::size(keys), entry);
    auto keyAt = [&](auto each) {
        if (count <= std::size(keys)) {
            for (size_t i = 0; i < count; ++i)
                each(i, keys[i]);
        } else {
            size_t i = 0;
            ForEachItem(notes, [&](std::string_view item) { each(i++, static_cast<uint8_t>(ReadItem(item))); });
        }
    };

    EventBuffer out(file);
    keyAt([&](size_t, uint8_t key) {
        out.Put(0x00);
        out.PutNote(0x90, key, velocity);
    });
    const int ticks = length.ticks;
    if (DeltaBytes(ticks) == 1) {
        out.Put(static_cast<uint8_t>(ticks));
    } else {
        out.Put(static_cast<uint8_t>(0x80 | (ticks >> 7)));
        out.Put(exactTiming ? static_cast<uint8_t>(ticks & 0x7F) : 0x00);
    }
    keyAt([&](size_t i, uint8_t key) {
        if (i > 0)
            out.Put(0x00);
        out.PutNote(0x80, key, velocity);
    });
    out.Flush();
}

constexpr uint8_t kEndOfTrack[] = { 0x00, 0xFF, 0x2F, 0x00 };

} // namespace

TVelMidi::TVelMidi(TComponent* owner)
    : TComponent(owner)
{
}

int TVelMidi::GetOctave(int key) const
{
    return key < 12 ? 0 : key / 12;
}

AnsiString TVelMidi::GetHz(int key) const
{
    if (key > kHighestKey)
        throw EConvertError(Format("Key %d is outside 0..127", key));
    int octave = GetOctave(key);
    int steps = key % 12; // 0 or less for a negative key: the octave's first frequency
    long double f = kFirstKeyHz[octave];
    const long double ratio = static_cast<long double>(kSecondKeyHz[octave]) / kFirstKeyHz[octave];
    for (int i = 0; i < steps; ++i)
        f *= ratio;
    AnsiString digits = IntToStr(static_cast<long long>(f * 1000));
    // Every key 0..127 gives at least four digits (8175 at the lowest).
    return digits.substr(0, digits.size() - 3) + "," + digits.substr(digits.size() - 3);
}

long double TVelMidi::GetSekundenOfLength(const AnsiString& length, long double wholeNoteSeconds) const
{
    const LengthCode* code = FindLength(length);
    if (!code)
        return 0;
    return wholeNoteSeconds * code->numerator / code->denominator;
}

AnsiString TVelMidi::LongToStr(long double seconds) const
{
    if (!std::isfinite(seconds))
        throw EConvertError("Seconds must be a finite number");
    // The small tolerance keeps binary rounding from costing a digit: 0.6 is
    // stored a hair below 0.6 and must still show "0.600", not "0.599".
    long double thousandths = std::trunc(std::fabs(seconds) * 1000 + 1e-7L);
    AnsiString s = Format("%.0Lf", thousandths);
    AnsiString text;
    if (s.size() >= 4)
        text = s.substr(0, s.size() - 3) + "." + s.substr(s.size() - 3);
    else if (s.size() == 3)
        text = "0." + s;
    else
        return "0";
    return seconds < 0 ? "-" + text : text;
}

void TVelMidi::ExtractNotes(const AnsiString& notes, TStrings& target) const
{
    target.Clear();
    ForEachItem(notes, [&](std::string_view item) { target.Add(AnsiString(item)); });
}

void TVelMidi::ExtractNotes(const AnsiString& notes, TStrings* target) const
{
    VCL_ASSERT(target, "ExtractNotes needs a target list");
    ExtractNotes(notes, *target);
}

void TVelMidi::AddNote(const AnsiString& notes, const AnsiString& length, const AnsiString& velocity)
{
    NoteList.Add(notes);
    LengthList.Add(length);
    VelocityList.Add(velocity);
}

void TVelMidi::DeleteNote(int index)
{
    // The first list raises the index error before anything is deleted.
    NoteList.Delete(index);
    LengthList.Delete(index);
    VelocityList.Delete(index);
}

void TVelMidi::ClearNotes()
{
    NoteList.Clear();
    LengthList.Clear();
    VelocityList.Clear();
}

int TVelMidi::CountBytes() const
{
    // Counted from the texts alone, before anything is written; the entry
    // checks of WriteMidiFile make sure the events then match the count.
    const std::vector<AnsiString>& notes = NoteList.Items();
    const std::vector<AnsiString>& lengths = LengthList.Items();
    long long total = sizeof kEndOfTrack;
    for (size_t i = 0; i < notes.size(); ++i) {
        long long keys = 1;
        for (char c : notes[i])
            keys += c == ',';
        // One byte for "32" and "T32", two for every other text.
        const LengthCode* code = i < lengths.size() ? FindLength(lengths[i]) : nullptr;
        int delta = code && DeltaBytes(code->ticks) == 1 ? 1 : 2;
        total += 8 * keys - 1 + delta;
        if (total > INT32_MAX)
            throw EInOutError("The note list is too long for a MIDI file");
    }
    return static_cast<int>(total);
}

void TVelMidi::NoteOnEvent(TAtomicFile& file, const AnsiString& length, const AnsiString& notes, const AnsiString& velocity)
{
    long long v = ReadItem(velocity);
    const LengthCode* code = CheckEntry(notes, length, v, velocity, -1);
    WriteEntry(file, *code, notes, static_cast<uint8_t>(v), ExactTiming, -1);
}

void TVelMidi::WriteMidiFile(const AnsiString& fileName)
{
    const std::vector<AnsiString>& notes = NoteList.Items();
    const std::vector<AnsiString>& lengths = LengthList.Items();
    const std::vector<AnsiString>& velocityTexts = VelocityList.Items();
    if (lengths.size() != notes.size() || velocityTexts.size() != notes.size())
        throw EListError(Format("The note lists differ in length (%zu notes, %zu lengths, %zu velocities)",
            notes.size(), lengths.size(), velocityTexts.size()));

    const int trackLength = CountBytes();

    // Everything goes to a temporary file that replaces the target only once
    // it is complete. Each entry is checked just before its events are
    // written; a bad one raises, the temporary file is dropped, and the
    // target stays as it was.
    TAtomicFile file(fileName);
    // Header: format 1, three tracks, 768 ticks per quarter note.
    file.Write("MThd", 4);
    WriteBigEndian32(file, 6);
    const uint8_t header[] = { 0x00, 0x01, 0x00, 0x03, 0x03, 0x00 };
    file.Write(header, sizeof header);

    // Tempo map: 4/4 and 500000 microseconds per quarter note.
    file.Write("MTrk", 4);
    WriteBigEndian32(file, 19);
    WriteTimeSignature(file, "4/4");
    const uint8_t tempo[] = { 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20 };
    file.Write(tempo, sizeof tempo);
    file.Write(kEndOfTrack, sizeof kEndOfTrack);

    file.Write("MTrk", 4);
    WriteBigEndian32(file, static_cast<uint32_t>(trackLength));
    const uint64_t trackStart = file.Size();
    for (size_t i = 0; i < notes.size(); ++i) {
        // The velocity is read strictly here, where NoteOnEvent would read it leniently.
        int32_t velocity = 0;
        if (!TryStrToInt(velocityTexts[i], velocity))
            throw EConvertError(Format("'%s' is not a valid integer value (velocity of note entry %zu)",
                velocityTexts[i].c_str(), i));
        const LengthCode* code = CheckEntry(notes[i], lengths[i], velocity, velocityTexts[i], static_cast<long long>(i));
        WriteEntry(file, *code, notes[i], static_cast<uint8_t>(velocity), ExactTiming, static_cast<long long>(i));
    }
    file.Write(kEndOfTrack, sizeof kEndOfTrack);
    if (file.Size() - trackStart != static_cast<uint64_t>(trackLength))
        throw EInOutError(Format("Cannot write \"%s\": the note track came out at %llu bytes instead of %d",
            fileName.c_str(), static_cast<unsigned long long>(file.Size() - trackStart), trackLength));

    // Channel prefix track: MIDI channel 1.
    file.Write("MTrk", 4);
    WriteBigEndian32(file, 9);
    const uint8_t channelPrefix[] = { 0x00, 0xFF, 0x20, 0x01, 0x01 };
    file.Write(channelPrefix, sizeof channelPrefix);
    file.Write(kEndOfTrack, sizeof kEndOfTrack);

    file.Commit();
}

void TVelMidi::FillInstrumentList(TStrings& list) const
{
    for (const char* name : kInstruments)
        list.Add(name);
}

void TVelMidi::FillInstrumentList(TStrings* list) const
{
    VCL_ASSERT(list, "FillInstrumentList needs a list");
    FillInstrumentList(*list);
}

int TVelMidi::GetHexInstrument(const AnsiString& name) const
{
    for (int i = 0; i < kInstrumentCount; ++i)
        if (name == kInstruments[i])
            return i;
    return 0;
}

AnsiString TVelMidi::GetStringInstrument(int number) const
{
    if (number < 0 || number >= kInstrumentCount)
        return AnsiString();
    return kInstruments[number];
}
