#include "components/midi/TVelMidi.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using testing::HasSubstr;

namespace {

// ---- note arithmetic ------------------------------------------------------

TEST(VelMidiPitch, OctaveOfAKey)
{
    TVelMidi midi(nullptr);
    for (auto [key, octave] : { std::pair { 0, 0 }, { 11, 0 }, { 12, 1 }, { 59, 4 }, { 60, 5 }, { 119, 9 },
             { 120, 10 }, { 127, 10 }, { -5, 0 }, { -100, 0 } })
        EXPECT_EQ(midi.GetOctave(key), octave) << key;
}

TEST(VelMidiPitch, FrequencyTextUsesTheOctaveConstantsAndAComma)
{
    // The comma stays whatever the locale says.
    ::setenv("LC_ALL", "C", 1);
    TVelMidi midi(nullptr);
    struct Case { int key; const char* hz; };
    for (Case c : { Case { 0, "8,175" }, { 1, "8,662" }, { 11, "15,434" }, { 12, "16,351" }, { 57, "219,999" },
             { 60, "261,625" }, { 69, "440,000" }, { 81, "880,001" }, { 120, "8372,019" }, { 127, "12543,855" },
             { -1, "8,175" }, { -11, "8,175" }, { -12, "8,175" } })
        EXPECT_EQ(midi.GetHz(c.key), c.hz) << c.key;
    EXPECT_THROW(midi.GetHz(128), EConvertError);
    EXPECT_THROW(midi.GetHz(1000000), EConvertError);
}

TEST(VelMidiPitch, SecondsOfEveryLengthCode)
{
    TVelMidi midi(nullptr);
    // Seconds of each code when a whole note lasts 384 s (divisible by every denominator).
    struct Case { const char* code; long double seconds; };
    const Case cases[] = { { "1", 384 }, { "2", 192 }, { "4", 96 }, { "8", 48 }, { "16", 24 }, { "32", 12 },
        { "T1", 256 }, { "T2", 128 }, { "T4", 64 }, { "T8", 32 }, { "T16", 16 }, { "T32", 8 },
        { "P1", 576 }, { "P2", 288 }, { "P4", 144 }, { "P8", 72 }, { "P16", 36 }, { "P32", 18 },
        { "D1", 672 }, { "D2", 336 }, { "D4", 168 }, { "D8", 84 }, { "D16", 42 }, { "D32", 21 } };
    for (const Case& c : cases)
        EXPECT_EQ(midi.GetSekundenOfLength(c.code, 384), c.seconds) << c.code;
    EXPECT_EQ(midi.GetSekundenOfLength("P4", 2.0L), 0.75L);
    EXPECT_EQ(midi.GetSekundenOfLength("T2", 3.0L), 1.0L);
    EXPECT_EQ(midi.GetSekundenOfLength("D32", 128.0L), 7.0L);
    for (const char* bad : { "t2", "", "3", "T", "4 ", " 4", "P64", "D4x" })
        EXPECT_EQ(midi.GetSekundenOfLength(bad, 3.0L), 0.0L) << '"' << bad << '"';
}

TEST(VelMidiPitch, SecondsAsTextTruncateToThousandths)
{
    TVelMidi midi(nullptr);
    struct Case { long double seconds; const char* text; };
    for (Case c : { Case { 1.5L, "1.500" }, { 12.3456L, "12.345" }, { 0.25L, "0.250" }, { 0.1L, "0.100" },
             { 0.05L, "0" }, { 0, "0" }, { 0.0999L, "0" }, { 0.9999L, "0.999" }, { 1234.5678L, "1234.567" },
             // Values a hair below a whole thousandth, as sums and doubles give them.
             { 0.6, "0.600" }, { 0.1 + 0.2, "0.300" }, { 2.3, "2.300" }, { 1.001, "1.001" },
             { 4.35, "4.350" }, { 0.7L * 3, "2.100" },
             // Durations below zero keep their sign on the same text.
             { -1.5L, "-1.500" }, { -0.25L, "-0.250" }, { -0.05L, "0" }, { 1e12L, "1000000000000.000" } })
        EXPECT_EQ(midi.LongToStr(c.seconds), c.text) << static_cast<double>(c.seconds);
    EXPECT_THROW(midi.LongToStr(std::numeric_limits<long double>::infinity()), EConvertError);
    EXPECT_THROW(midi.LongToStr(std::numeric_limits<long double>::quiet_NaN()), EConvertError);
}

TEST(VelMidiPitch, ExtractNotesSplitsAtEveryComma)
{
    TVelMidi midi(nullptr);
    struct Case { const char* notes; std::vector<AnsiString> items; };
    const Case cases[] = {
        { "60,64,67", { "60", "64", "67" } },
        { "60,,67", { "60", "", "67" } },
        { "60,", { "60" } },
        { ",60", { "", "60" } },
        { "", {} },
        { ",", { "" } },
        { " 60, 64 ", { " 60", " 64 " } },
    };
    TStringList target { "left", "over" };
    for (const Case& c : cases) {
        midi.ExtractNotes(c.notes, target);
        EXPECT_EQ(target.ToVector(), c.items) << '"' << c.notes << '"';
    }
    midi.ExtractNotes("1,2", &target);
    EXPECT_EQ(target.ToVector(), (std::vector<AnsiString> { "1", "2" }));
}

// ---- the shared note list ---------------------------------------------------

class VelMidiList : public testing::Test {
protected:
    void SetUp() override { TVelMidi(nullptr).ClearNotes(); }
    void TearDown() override { TVelMidi(nullptr).ClearNotes(); }
    static std::vector<AnsiString> All()
    {
        std::vector<AnsiString> rows;
        for (int i = 0; i < NoteList.Count(); ++i)
            rows.push_back(NoteList[i] + "|" + LengthList[i] + "|" + VelocityList[i]);
        EXPECT_EQ(LengthList.Count(), NoteList.Count());
        EXPECT_EQ(VelocityList.Count(), NoteList.Count());
        return rows;
    }
};

TEST_F(VelMidiList, EveryInstanceSharesTheOneList)
{
    TComponent owner(nullptr);
    auto* first = new TVelMidi(&owner);
    TVelMidi second(nullptr);
    EXPECT_FALSE(first->ExactTiming);
    first->AddNote("60,64", "4", "100");
    first->AddNote("x", "bogus", "loud"); // accepted as given; the writer judges it
    second.AddNote("62", "T8", "90");
    EXPECT_EQ(All(), (std::vector<AnsiString> { "60,64|4|100", "x|bogus|loud", "62|T8|90" }));
    second.DeleteNote(1);
    delete first;
    EXPECT_EQ(All(), (std::vector<AnsiString> { "60,64|4|100", "62|T8|90" }));
    TVelMidi third(nullptr);
    third.ClearNotes();
    EXPECT_EQ(All(), std::vector<AnsiString> {});
}

TEST_F(VelMidiList, DeletingOutsideTheListChangesNothing)
{
    TVelMidi midi(nullptr);
    midi.AddNote("60", "4", "100");
    midi.AddNote("62", "8", "80");
    for (int index : { 2, -1, 100 }) {
        try {
            midi.DeleteNote(index);
            ADD_FAILURE() << index;
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), Format("List index out of bounds (%d)", index));
        }
    }
    EXPECT_EQ(All(), (std::vector<AnsiString> { "60|4|100", "62|8|80" }));
}

// ---- the file writer --------------------------------------------------------

Bytes Hex(const char* hex)
{
    Bytes bytes;
    std::istringstream in(hex);
    unsigned value;
    while (in >> std::hex >> value)
        bytes.push_back(static_cast<uint8_t>(value));
    return bytes;
}

AnsiString Quote(const AnsiString& text)
{
    AnsiString quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? AnsiString("'\\''") : AnsiString(1, c);
    return quoted + "'";
}

// Runs a command, returns its standard output; status gets the exit code.
AnsiString Run(const AnsiString& command, int& status)
{
    AnsiString out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    int raw = ::pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

// midicsv's view, put in the form mido_events.py prints.
std::vector<AnsiString> ReadWithMidicsv(const AnsiString& path)
{
    int status = 0;
    AnsiString csv = Run(Quote(MIDICSV_PROGRAM) + " " + Quote(path), status);
    EXPECT_EQ(status, 0) << "midicsv rejects " << path;
    std::vector<AnsiString> lines;
    std::istringstream in(csv);
    AnsiString line;
    while (std::getline(in, line)) {
        std::vector<AnsiString> f;
        std::istringstream fields(line);
        AnsiString field;
        while (std::getline(fields, field, ','))
            f.push_back(Trim(field));
        if (f.size() < 3)
            continue;
        AnsiString head = f[0] + " " + f[1] + " ";
        auto rest = [&](size_t from) {
            AnsiString s;
            for (size_t i = from; i < f.size(); ++i)
                s += " " + f[i];
            return s;
        };
        const AnsiString& type = f[2];
        if (type == "Header")
            lines.push_back("header" + rest(3));
        else if (type == "Note_on_c")
            lines.push_back(head + "note_on" + rest(3));
        else if (type == "Note_off_c")
            lines.push_back(head + "note_off" + rest(3));
        else if (type == "Tempo")
            lines.push_back(head + "set_tempo" + rest(3));
        else if (type == "Time_signature" && f.size() == 7)
            lines.push_back(head + "time_signature " + f[3] + " " + IntToStr(1 << StrToInt(f[4])) + " " + f[5] + " " + f[6]);
        else if (type == "Channel_prefix")
            lines.push_back(head + "channel_prefix" + rest(3));
        else if (type == "End_track")
            lines.push_back(head + "end_of_track");
        else if (type != "Start_track" && type != "End_of_file")
            lines.push_back(head + "unexpected " + type);
    }
    return lines;
}

std::vector<AnsiString> ReadWithMido(const AnsiString& path)
{
    int status = 0;
    AnsiString out = Run(Quote(MIDO_PYTHON) + " " + Quote(MIDO_EVENTS) + " " + Quote(path), status);
    EXPECT_EQ(status, 0) << "mido rejects " << path;
    std::vector<AnsiString> lines;
    std::istringstream in(out);
    AnsiString line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

class VelMidiWriter : public VelMidiList {
protected:
    void SetUp() override
    {
        VelMidiList::SetUp();
        AnsiString pattern = testing::TempDir() + "velmidi-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        fs::remove_all(m_dir);
        VelMidiList::TearDown();
    }
    AnsiString Path(const char* name) const { return (m_dir / name).string(); }
    static Bytes Read(const AnsiString& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<AnsiString> Entries() const
    {
        std::vector<AnsiString> names;
        for (const auto& e : fs::directory_iterator(m_dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Writes the list, checks that both readers accept the file and agree
    // with each other, and returns the file's bytes.
    Bytes Write(const char* name = "out.mid")
    {
        AnsiString path = Path(name);
        m_midi.WriteMidiFile(path);
        m_events = ReadWithMidicsv(path);
        EXPECT_EQ(ReadWithMido(path), m_events) << "the readers disagree on " << name;
        return Read(path);
    }
    // The note track's events as both readers report them.
    std::vector<AnsiString> NoteEvents() const
    {
        std::vector<AnsiString> notes;
        for (const AnsiString& e : m_events)
            if (e.rfind("2 ", 0) == 0)
                notes.push_back(e.substr(2));
        return notes;
    }
    // Bytes of the note track's events (after its 8-byte chunk header).
    static Bytes NoteTrack(const Bytes& file) { return Bytes(file.begin() + 49, file.end() - 17); }

    fs::path m_dir;
    TVelMidi m_midi { nullptr };
    std::vector<AnsiString> m_events;
};

const Bytes kHeaderAndTempoTrack = Hex("4D 54 68 64 00 00 00 06 00 01 00 03 03 00"
                                       " 4D 54 72 6B 00 00 00 13 00 FF 58 04 04 02 18 08 00 FF 51 03 07 A1 20 00 FF 2F 00");
const Bytes kChannelTrack = Hex("4D 54 72 6B 00 00 00 09 00 FF 20 01 01 00 FF 2F 00");

Bytes MidiFile(const char* trackLength, const char* noteEvents)
{
    Bytes file = kHeaderAndTempoTrack;
    for (const Bytes& part : { Hex("4D 54 72 6B"), Hex(trackLength), Hex(noteEvents), Hex("00 FF 2F 00"), kChannelTrack })
        file.insert(file.end(), part.begin(), part.end());
    return file;
}

TEST_F(VelMidiWriter, OneNoteGivesTheWholeFileByteForByte)
{
    m_midi.AddNote("60", "4", "100");
    for (bool exact : { false, true }) {
        m_midi.ExactTiming = exact;
        Bytes file = Write();
        EXPECT_EQ(file, MidiFile("00 00 00 0D", "00 90 3C 64 86 00 80 3C 64")) << exact;
        EXPECT_EQ(file.size(), 79u);
        EXPECT_EQ(m_midi.CountBytes(), 13);
    }
    EXPECT_EQ(m_events, (std::vector<AnsiString> { "header 1 3 768", "1 0 time_signature 4 4 24 8",
                            "1 0 set_tempo 500000", "1 0 end_of_track", "2 0 note_on 0 60 100",
                            "2 768 note_off 0 60 100", "2 768 end_of_track", "3 0 channel_prefix 1", "3 0 end_of_track" }));
    EXPECT_EQ(NoteList.Count(), 1) << "writing must leave the list alone";
}

TEST_F(VelMidiWriter, AnEmptyListGivesOnlyTheEndOfTrack)
{
    EXPECT_EQ(Write(), MidiFile("00 00 00 04", ""));
    EXPECT_EQ(Read(Path("out.mid")).size(), 70u);
    m_midi.AddNote("60", "4", "100");
    Write("before-clear.mid");
    m_midi.ClearNotes();
    EXPECT_EQ(Write("after-clear.mid"), MidiFile("00 00 00 04", ""));
}

TEST_F(VelMidiWriter, AChordStartsTogetherAndTheFirstNoteOffCarriesTheLength)
{
    m_midi.AddNote("60,64,67", "4", "100");
    for (bool exact : { false, true }) {
        m_midi.ExactTiming = exact;
        Bytes track = NoteTrack(Write());
        EXPECT_EQ(track, Hex("00 90 3C 64 00 90 40 64 00 90 43 64 86 00 80 3C 64 00 80 40 64 00 80 43 64"
                             " 00 FF 2F 00"));
        EXPECT_EQ(m_midi.CountBytes(), 25 + 4);
    }
    EXPECT_EQ(NoteEvents(), (std::vector<AnsiString> { "0 note_on 0 60 100", "0 note_on 0 64 100", "0 note_on 0 67 100",
                                "768 note_off 0 60 100", "768 note_off 0 64 100", "768 note_off 0 67 100",
                                "768 end_of_track" }));
}

TEST_F(VelMidiWriter, ExactTimingDecidesTheSecondDeltaByte)
{
    // Every code's delta time, in both modes, from the ticks each code stands for.
    struct Case { const char* code; int ticks; };
    const Case cases[] = { { "1", 3072 }, { "2", 1536 }, { "4", 768 }, { "8", 384 }, { "16", 192 }, { "32", 96 },
        { "T1", 2048 }, { "T2", 1024 }, { "T4", 512 }, { "T8", 256 }, { "T16", 128 }, { "T32", 64 },
        { "P1", 4608 }, { "P2", 2304 }, { "P4", 1152 }, { "P8", 576 }, { "P16", 288 }, { "P32", 144 },
        { "D1", 5376 }, { "D2", 2688 }, { "D4", 1344 }, { "D8", 672 }, { "D16", 336 }, { "D32", 168 } };
    for (bool exact : { false, true }) {
        m_midi.ExactTiming = exact;
        for (const Case& c : cases) {
            m_midi.ClearNotes();
            m_midi.AddNote("69", c.code, "1");
            Bytes track = NoteTrack(Write());
            Bytes delta = c.ticks < 128 ? Bytes { static_cast<uint8_t>(c.ticks) }
                                        : Bytes { static_cast<uint8_t>(0x80 | (c.ticks >> 7)),
                                              static_cast<uint8_t>(exact ? c.ticks & 0x7F : 0) };
            Bytes expected = Hex("00 90 45 01");
            expected.insert(expected.end(), delta.begin(), delta.end());
            for (const Bytes& part : { Hex("80 45 01"), Hex("00 FF 2F 00") })
                expected.insert(expected.end(), part.begin(), part.end());
            EXPECT_EQ(track, expected) << c.code << " exact " << exact;
            EXPECT_EQ(m_midi.CountBytes(), static_cast<int>(expected.size())) << c.code;
            long heard = exact || c.ticks < 128 ? c.ticks : c.ticks / 128 * 128;
            EXPECT_EQ(NoteEvents()[1], Format("%ld note_off 0 69 1", heard)) << c.code << " exact " << exact;
        }
    }
}

TEST_F(VelMidiWriter, EntriesFollowEachOtherAtDeltaZero)
{
    m_midi.AddNote("60", "16", "100");
    m_midi.AddNote("62,65", "32", "90");
    m_midi.AddNote("64", "P8", "80");
    m_midi.ExactTiming = true;
    Bytes first = Write("a.mid");
    EXPECT_EQ(NoteTrack(first), Hex("00 90 3C 64 81 40 80 3C 64"
                                    " 00 90 3E 5A 00 90 41 5A 60 80 3E 5A 00 80 41 5A"
                                    " 00 90 40 50 84 40 80 40 50 00 FF 2F 00"));
    EXPECT_EQ(m_midi.CountBytes(), 9 + 16 + 9 + 4);
    EXPECT_EQ(NoteEvents(), (std::vector<AnsiString> { "0 note_on 0 60 100", "192 note_off 0 60 100",
                                "192 note_on 0 62 90", "192 note_on 0 65 90", "288 note_off 0 62 90",
                                "288 note_off 0 65 90", "288 note_on 0 64 80", "864 note_off 0 64 80",
                                "864 end_of_track" }));
    EXPECT_EQ(Write("b.mid"), first) << "the same list must give the same file";
}

TEST_F(VelMidiWriter, KeysAndVelocitiesAreReadAsTheNotationAllows)
{
    // Blanks and signs before the digits, anything after them, an empty item
    // (key 0) between or before commas; velocities in any strict integer form.
    m_midi.AddNote(" 60,+64,67abc", "4", "+100");
    m_midi.AddNote(",60,,-0", "4", "007");
    m_midi.AddNote("127", "4", "0");
    Write();
    EXPECT_EQ(NoteEvents(), (std::vector<AnsiString> { "0 note_on 0 60 100", "0 note_on 0 64 100",
                                "0 note_on 0 67 100", "768 note_off 0 60 100", "768 note_off 0 64 100",
                                "768 note_off 0 67 100", "768 note_on 0 0 7", "768 note_on 0 60 7",
                                "768 note_on 0 0 7", "768 note_on 0 0 7", "1536 note_off 0 0 7",
                                "1536 note_off 0 60 7", "1536 note_off 0 0 7", "1536 note_off 0 0 7",
                                // mido reads a note-on of velocity 0 as it stands, and so does midicsv
                                "1536 note_on 0 127 0", "2304 note_off 0 127 0", "2304 end_of_track" }));
}

TEST_F(VelMidiWriter, AnEntryThatWouldCorruptTheFileIsRejectedBeforeTheFileIsTouched)
{
    struct Case { const char* notes; const char* length; const char* velocity; const char* message; };
    const Case cases[] = {
        { "60", "4", "abc", "'abc' is not a valid integer value (velocity of note entry 1)" },
        { "60", "4", "", "'' is not a valid integer value (velocity of note entry 1)" },
        { "60", "4", " 100", "' 100' is not a valid integer value (velocity of note entry 1)" },
        { "60", "4", "1.5", "'1.5' is not a valid integer value (velocity of note entry 1)" },
        { "60", "4", "128", "Velocity '128' of note entry 1 is outside 0..127" },
        { "60", "4", "-1", "Velocity '-1' of note entry 1 is outside 0..127" },
        { "60", "4", "356", "Velocity '356' of note entry 1 is outside 0..127" },
        { "", "4", "100", "The notes text of note entry 1 is empty" },
        { "60,", "4", "100", "The notes text '60,' of note entry 1 ends with a comma" },
        { "60,64,", "4", "100", "The notes text '60,64,' of note entry 1 ends with a comma" },
        { "128", "4", "100", "Key '128' of note entry 1 is outside 0..127" },
        { "60, -1", "4", "100", "Key ' -1' of note entry 1 is outside 0..127" },
        { "60,99999999999999999999", "4", "100", "Key '99999999999999999999' of note entry 1 is outside 0..127" },
        { "60", "t4", "100", "'t4' of note entry 1 is not a length code" },
        { "60", "", "100", "'' of note entry 1 is not a length code" },
        { "60", "64", "100", "'64' of note entry 1 is not a length code" },
    };
    const AnsiString target = Path("song.mid");
    std::ofstream(target, std::ios::binary) << "an earlier song";
    for (const Case& c : cases) {
        m_midi.ClearNotes();
        m_midi.AddNote("60", "4", "100");
        m_midi.AddNote(c.notes, c.length, c.velocity);
        m_midi.AddNote("62", "4", "100");
        try {
            m_midi.WriteMidiFile(target);
            ADD_FAILURE() << "wrote '" << c.notes << "' '" << c.length << "' '" << c.velocity << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        Bytes left = Read(target);
        EXPECT_EQ(AnsiString(left.begin(), left.end()), "an earlier song");
        EXPECT_EQ(Entries(), std::vector<AnsiString> { "song.mid" }) << "a temporary file was left behind";
        EXPECT_EQ(NoteList.Count(), 3);
    }
    // A new target is not created either.
    EXPECT_THROW(m_midi.WriteMidiFile(Path("new.mid")), EConvertError);
    EXPECT_FALSE(fs::exists(Path("new.mid")));
}

TEST_F(VelMidiWriter, AFileThatCannotBeWrittenRaisesAnInOutError)
{
    m_midi.AddNote("60", "4", "100");
    fs::create_directory(m_dir / "folder");
    for (AnsiString target : { Path("no/such/folder.mid"), Path("folder") }) {
        try {
            m_midi.WriteMidiFile(target);
            ADD_FAILURE() << target;
        } catch (const EInOutError& e) {
            EXPECT_THAT(e.Message(), HasSubstr(target));
        }
    }
    EXPECT_EQ(Entries(), std::vector<AnsiString> { "folder" });
}

TEST_F(VelMidiWriter, NoteOnEventWritesOneEntryOrNothing)
{
    TAtomicFile file(Path("events.bin"));
    m_midi.NoteOnEvent(file, "T16", "60,62", "100");
    EXPECT_THROW(m_midi.NoteOnEvent(file, "4", "60,200", "100"), EConvertError);
    EXPECT_THROW(m_midi.NoteOnEvent(file, "4", "60", "200"), EConvertError);
    EXPECT_THROW(m_midi.NoteOnEvent(file, "X", "60", "100"), EConvertError);
    EXPECT_EQ(file.Size(), 17u) << "a rejected entry wrote bytes";
    file.Commit();
    EXPECT_EQ(Read(Path("events.bin")), Hex("00 90 3C 64 00 90 3E 64 81 00 80 3C 64 00 80 3E 64"));
}

// ---- instruments --------------------------------------------------------------

TEST(VelMidiInstruments, NamesAndNumbersRoundTrip)
{
    TVelMidi midi(nullptr);
    TStringList names { "first", "second" };
    midi.FillInstrumentList(&names);
    ASSERT_EQ(names.Count(), 82);
    EXPECT_EQ(names[0], "first");
    EXPECT_EQ(names[1], "second");
    for (int n = 0; n < 80; ++n) {
        EXPECT_EQ(names[n + 2], midi.GetStringInstrument(n));
        EXPECT_EQ(midi.GetHexInstrument(midi.GetStringInstrument(n)), n) << n;
    }
    struct Case { int number; const char* name; };
    for (Case c : { Case { 0, "Acoustic Grand Piano" }, { 3, "Honky-Tonk Piano" }, { 9, "Chime" }, { 11, "Vibraphon" },
             { 13, "Xylophon" }, { 21, "Akkordion" }, { 23, "Tango Akkordion" }, { 26, "Acoustic Guitar (Jazz)" },
             { 27, "Acoustic Guitar (clean)" }, { 28, "Acoustic Guitar (muted)" }, { 30, "Distortion" },
             { 40, "Violin" }, { 52, "Choirs Aahs" }, { 79, "Ocarina" } }) {
        EXPECT_EQ(midi.GetStringInstrument(c.number), c.name);
        EXPECT_EQ(midi.GetHexInstrument(c.name), c.number);
    }
}

TEST(VelMidiInstruments, UnknownNamesAndNumbersGiveZeroOrEmpty)
{
    TVelMidi midi(nullptr);
    for (const char* name : { "ocarina", "Ocarina ", " Ocarina", "Tubular Bells ", "Glockenspiel", "Accordion", "" })
        EXPECT_EQ(midi.GetHexInstrument(name), 0) << '"' << name << '"';
    for (int number : { 80, 127, -1, INT32_MIN, INT32_MAX })
        EXPECT_EQ(midi.GetStringInstrument(number), "") << number;
}

} // namespace
