#!/usr/bin/python3
# Prints the events of a Standard MIDI File as read by mido, one per line, in
# the normalised form the MIDI writer's tests compare with midicsv's output:
#   header <format> <tracks> <division>
#   <track> <absolute tick> <event> <values...>
# Tracks are numbered from 1 as midicsv numbers them. Exits non-zero when mido
# cannot read the file.
import sys

import mido

midi = mido.MidiFile(sys.argv[1])
print("header", midi.type, len(midi.tracks), midi.ticks_per_beat)
for number, track in enumerate(midi.tracks, start=1):
    tick = 0
    for msg in track:
        tick += msg.time
        if msg.type in ("note_on", "note_off"):
            values = [msg.channel, msg.note, msg.velocity]
        elif msg.type == "set_tempo":
            values = [msg.tempo]
        elif msg.type == "time_signature":
            values = [msg.numerator, msg.denominator, msg.clocks_per_click, msg.notated_32nd_notes_per_beat]
        elif msg.type == "channel_prefix":
            values = [msg.channel]
        elif msg.type == "end_of_track":
            values = []
        else:
            values = ["unexpected"]
        print(number, tick, msg.type, *values)
