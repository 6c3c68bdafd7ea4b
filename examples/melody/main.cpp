// Writes a short melody as a Standard MIDI File and lists what it wrote.
//
//   melody [file.mid]      (default: melody.mid in the current folder)
//
// The tune climbs a C major scale in dotted and plain notes, turns in a
// triplet figure and ends on a held C major chord.
#include "components/midi/TVelMidi.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include <cstdio>

int main(int argc, char** argv)
{
    const AnsiString fileName = argc > 1 ? argv[1] : "melody.mid";

    TVelMidi midi(nullptr);
    midi.ExactTiming = true; // keep the sixteenths and dotted eighths at their full length
    midi.ClearNotes();

    struct Entry { const char* notes; const char* length; const char* velocity; };
    const Entry melody[] = {
        { "60", "P8", "96" },       // C, dotted eighth
        { "62", "16", "80" },       // D, sixteenth
        { "64", "4", "100" },       // E
        { "65", "P8", "96" },       // F, dotted eighth
        { "67", "16", "80" },       // G, sixteenth
        { "69", "T8", "90" },       // A, triplet eighths: three in the time of two
        { "67", "T8", "84" },       // G
        { "65", "T8", "78" },       // F
        { "64", "4", "100" },       // E
        { "62", "P4", "92" },       // D, dotted quarter
        { "60,64,67", "2", "110" }, // C major chord, half note
    };
    for (const Entry& e : melody)
        midi.AddNote(e.notes, e.length, e.velocity);

    try {
        midi.WriteMidiFile(fileName);
    } catch (const Exception& e) {
        std::fprintf(stderr, "melody: %s\n", e.Message().c_str());
        return 1;
    }

    // At 120 quarter notes per minute a whole note lasts two seconds.
    const long double wholeNote = 2.0L;
    long double total = 0;
    TStringList keys;
    // The file selects no instrument, so players use program 0.
    std::printf("Wrote %s (%d bytes of note events; sounds as \"%s\"):\n", fileName.c_str(), midi.CountBytes(),
        midi.GetStringInstrument(0).c_str());
    for (const Entry& e : melody) {
        long double seconds = midi.GetSekundenOfLength(e.length, wholeNote);
        total += seconds;
        midi.ExtractNotes(e.notes, keys);
        AnsiString pitches;
        for (int i = 0; i < keys.Count(); ++i)
            pitches += (i ? " + " : "") + midi.GetHz(StrToInt(keys[i])) + " Hz";
        std::printf("  %-9s %-4s %6s s  %s\n", e.notes, e.length, midi.LongToStr(seconds).c_str(), pitches.c_str());
    }
    std::printf("Total %s s\n", midi.LongToStr(total).c_str());
    return 0;
}
