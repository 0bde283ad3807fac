#pragma once

#include <QByteArray>
#include <QSet>

#include <cstdint>

namespace sim {

// What can go wrong on a real board or cable, each switchable on its own at run time.
// Frame numbers count the frames the board sends, from 1, since the faults were last set.
struct BoardFaults
{
    bool silent = false; // the board answers nothing at all
    QSet<int> ignore;    // Kalder commands heard but not answered
    QSet<int> refuse;    // Kalder commands answered with data byte 0 = refusalCode
    uint8_t refusalCode = 0x01;
    int echoOverride = -1;         // 0-255: every Kalder reply names this command instead
    QSet<int> corruptFrames;       // frames sent with a wrong checksum
    int corruptEvery = 0;          // > 0: every frame whose number is a multiple of this one
                                   // too (1: all of them), a line that stays noisy
    QSet<int> dropFrames;          // frames never sent
    int fragmentSize = 0;          // > 0: replies leave in pieces of this many bytes ...
    int fragmentGapMs = 0;         // ... with this much silence between them
    int stallAfterBlocks = -1;     // a file transfer stops sending after this many blocks
    int abortAfterBlocks = -1;     // a file transfer ends with 0x8D after this many blocks
    int recordLengthDelta = 0;     // records streamed by commands 4, 6, 8 are this much longer
                                   // (negative: shorter)
    QByteArray noise;              // bytes sent before every frame, outside any framing; bytes
                                   // that open a frame (0x10, ':', the node address 1) would
                                   // rather test the PC's resynchronisation
    bool pace = false;             // bytes leave at 9600 baud, about 1.04 ms each
    int alterStoredStructure = -1; // a structure with this id written by the PC is stored ...
    int alterStoredOffset = -1;    // ... with the byte at this offset inverted (a board that
                                   // keeps something other than what it was sent)
};

} // namespace sim
