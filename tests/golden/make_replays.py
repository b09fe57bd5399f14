#!/usr/bin/env python3
"""Writes the replay scenarios whose traces are kept as expected outputs (run once; the replays
are committed, this script only documents how they were made)."""

def scenario(ticks, events, roller_every, p1_every, p2_every, p1_stop=None):
    lines = []
    pins = 0
    for t in range(ticks):
        if roller_every and t % roller_every == 0: pins ^= 0x0001
        stopped = p1_stop and p1_stop[0] <= t < p1_stop[1]
        if p1_every and t % p1_every == 0 and not stopped: pins ^= 0x0040
        if p2_every and t % p2_every == 0: pins ^= 0x0004
        analog = 100 + (t * 7) % 60
        line = "%04X;%d" % (pins, analog)
        if t in events: line += ";" + events[t]
        lines.append(line)
    return lines

def write(name, lines):
    with open(name, "w") as f:
        f.write("# expected-trace scenario, see make_replays.py\n")
        f.write("\n".join(lines) + "\n")

write("painting.replay", scenario(900, {
    0: "start,gun", 300: "distance=3.5", 400: "p1-litres=0.5,roller", 450: "p2-litres=0",
    500: "p2-litres=abc", 520: "reset", 600: "stop", 650: "start", 700: "hose-full",
    710: "hose-empty", 720: "distance=0", 721: "hose-empty", 750: "activate", 800: "gun",
    860: "p1-litres= 2", 870: "distance=1e1"}, 2, 3, 5, p1_stop=(820, 900)))
write("full_hose.replay", scenario(500, {
    0: "start", 5: "gun", 200: "distance=6.25", 300: "roller", 350: "stop", 360: "start",
    420: "hose-empty", 430: "hose-full"}, 1, 4, 2))
