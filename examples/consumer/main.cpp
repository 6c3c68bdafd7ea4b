// Uses the installed Velmora components from another project: evaluates a
// formula, stores the result as a setting and reads it back, writes a short
// MIDI file, and sets up a display and a scanner component.
//
//   consumer <file.mid>
//
// Settings go to the prefix (VELMORA_PREFIX, else ~/.config/velmora).
#include "components/display/TVelDigianz.h"
#include "components/midi/TVelMidi.h"
#include "components/parser/TVelParser.h"
#include "components/registry/TVelReg.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"
#include "twain/TTwainScanner.h"
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: consumer <file.mid>\n");
        return 2;
    }
    try {
        TVelParser parser;
        parser.SetExpression("2*x^2+1");
        parser.SetX("3");
        if (!parser.CreateTree()) {
            std::fprintf(stderr, "consumer: the formula does not parse\n");
            return 1;
        }
        long double y = parser.Evaluate();
        std::printf("2*x^2+1 at x=3: %.1Lf\n", y);

        TVelReg reg;
        reg.SetFirmenname("Velmora Examples");
        reg.SetProgrammname("Consumer");
        reg.Push("Result", IntToStr(static_cast<int>(y)));
        std::printf("setting Result: %s\n", reg.Pop("Result").c_str());

        TVelMidi midi(nullptr);
        midi.ClearNotes();
        midi.AddNote("60", "4", "100");
        midi.AddNote("64", "4", "100");
        midi.AddNote("60,64,67", "2", "110");
        midi.WriteMidiFile(argv[1]);
        std::printf("wrote %s\n", argv[1]);

        TVelDigianz display;
        display.SetFText("COPY");
        TTwainScanner scanner;
        std::printf("display text: %s, scanner delivered: %s\n", display.Text().c_str(),
            scanner.ImageDelivered() ? "yes" : "no");
    } catch (const Exception& e) {
        std::fprintf(stderr, "consumer: %s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
