/* Counters and control calls of the scripted tracking library used by the monitor's tests. */
#ifndef FAKE_QTA_H
#define FAKE_QTA_H

#define FAKE_QTA_EXPORT __attribute__((visibility("default")))

enum {
    FAKE_QTA_INIT,
    FAKE_QTA_POSITION,
    FAKE_QTA_FINAL,
    FAKE_QTA_POSITION_COLOUR,
    FAKE_QTA_COUNTERS
};

/* The scripted set holds at most this many colours. */
#define FAKE_QTA_MOST_COLOURS 16

#endif
